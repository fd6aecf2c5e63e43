#include "export/framing/EnvelopeLine.h"

#include <cstring>

#include "export/mime/MimePart.h"
#include "export/text/AsciiText.h"
#include "export/text/ShiftJisText.h"

namespace tessera {

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr size_t kMaxDateValueLength = 255;
constexpr char kNoSender[] = "MAILER-DAEMON";

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// First `wanted` byte outside double-byte characters (and, if asked, outside quotes).
// UTF-8 needs no such care: no byte of a character in it is ASCII.
char* FindByte(char* p, char wanted, bool honourQuotes, bool utf8) {
    bool quoted = false;
    for (; *p != '\0'; ++p) {
        if (!utf8 && IsShiftJisLeadByte(static_cast<unsigned char>(*p))) {
            if (p[1] == '\0') return nullptr;
            ++p;
            continue;
        }
        if (honourQuotes && *p == '"') quoted = !quoted;
        if (*p == wanted && !quoted) return p;
    }
    return nullptr;
}

// The first token of p split at `separator` (leading separators skipped), its
// leading blanks skipped; the token is cut in place.
char* FirstToken(char* p, char separator) {
    while (*p == separator) ++p;
    char* stop = std::strchr(p, separator);
    if (stop != nullptr) *stop = '\0';
    while (IsSpaceOrTab(*p)) ++p;
    return p;
}

char* PickAddress(char* value, bool utf8) {
    while (IsSpaceOrTab(*value)) ++value;
    if (char* open = FindByte(value, '<', true, utf8)) return FirstToken(open + 1, '>');
    char* paren = FindByte(value, '(', false, utf8);
    if (paren == nullptr) return value;
    if (char* close = std::strchr(paren, ')')) *close = '\0';
    return FirstToken(value, '(');
}

// A token ends at the first of `stops` or the end; returns the byte that ended it.
const char* TokenEnd(const char* p, const char* stops) { return p + std::strcspn(p, stops); }

const char* SkipAny(const char* p, const char* set) { return p + std::strspn(p, set); }

// Leading blanks, an optional sign, then the leading run of digits (none gives 0);
// saturates instead of overflowing.
int DecimalValue(const char* p, const char* end) {
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < 1000000) value = value * 10 + (*p - '0');
    }
    return negative ? -value : value;
}

// Month number 1..12 of the first table name the token is a case-blind prefix of.
int MonthNumber(const char* p, const char* end) {
    const size_t n = static_cast<size_t>(end - p);
    if (n > 3) return 0;
    for (int m = 0; m < 12; ++m) {
        size_t i = 0;
        while (i < n && LowerAscii(p[i]) == LowerAscii(kMonths[m][i])) ++i;
        if (i == n) return m + 1;
    }
    return 0;
}

int CompleteYear(int year) {
    if (year < 0 || year >= 100) return year;
    return year <= 70 ? 2000 + year : 1900 + year;
}

// Hour, minute and optional seconds; null when no ':' follows the hour, else
// where the text after the clock begins.
const char* ReadClock(const char* p, CalendarTime& time) {
    p = SkipAny(p, " ");
    const char* end = TokenEnd(p, ": ");
    if (*end != ':') return nullptr;
    time.hour = DecimalValue(p, end);
    p = end + 1;
    end = TokenEnd(p, ": ");
    time.minute = DecimalValue(p, end);
    time.second = 0;
    if (*end != ':') return end;
    p = end + 1;
    end = TokenEnd(p, ": ");
    time.second = DecimalValue(p, end);
    return end;
}

void PutDigits(char*& out, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out += digits;
}

void PutText(char*& out, const char* text, char after) {
    const size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    out += n;
    *out++ = after;
}

}  // namespace

void ExtractEnvelopeAddress(const char* value, char* address, size_t size, bool utf8) {
    if (size == 0) return;
    std::string copy(value);
    const char* picked = PickAddress(&copy[0], utf8);
    size_t n = strnlen(picked, size - 1);
    while (n > 0 && IsSpaceOrTab(picked[n - 1])) --n;
    std::memcpy(address, picked, n);
    address[n] = '\0';
}

bool ReadEnvelopeDate(const char* value, CalendarTime& time) {
    const char* afterClock = nullptr;
    return ReadDateFields(value, time, afterClock);
}

bool ReadDateFields(const char* value, CalendarTime& time, const char*& afterClock) {
    if (strnlen(value, kMaxDateValueLength + 1) > kMaxDateValueLength) return false;
    const char* p = value;
    if (const char* comma = std::strchr(value, ',')) p = SkipAny(comma + 1, ", ");
    const char* end = TokenEnd(p, " -");
    time.day = DecimalValue(p, end);
    p = SkipAny(end, " -");
    end = TokenEnd(p, " -");
    time.month = MonthNumber(p, end);
    if (time.month == 0) return false;
    p = SkipAny(end, " -");
    end = TokenEnd(p, " -");
    time.year = CompleteYear(DecimalValue(p, end));
    afterClock = ReadClock(end, time);
    return afterClock != nullptr && IsValidCalendarTime(time);
}

void FormatEnvelopeTime(const CalendarTime& time, char* out) {
    PutText(out, kWeekdays[DayOfWeek(time.year, time.month, time.day)], ' ');
    PutText(out, kMonths[time.month - 1], ' ');
    PutDigits(out, time.day, 2);
    *out++ = ' ';
    PutDigits(out, time.hour, 2);
    *out++ = ':';
    PutDigits(out, time.minute, 2);
    *out++ = ':';
    PutDigits(out, time.second, 2);
    *out++ = ' ';
    PutDigits(out, time.year, 4);
    *out = '\0';
}

int FormatEnvelopeDate(const char* value, char* out, size_t size) {
    CalendarTime time;
    if (size <= kEnvelopeDateLength || !ReadEnvelopeDate(value, time)) return -1;
    FormatEnvelopeTime(time, out);
    return 0;
}

std::string EnvelopeSender(const char* fromValue, bool utf8) {
    char address[kEnvelopeAddressSize];
    ExtractEnvelopeAddress(fromValue, address, sizeof address, utf8);
    const char* begin = address;
    const char* end = address + std::strlen(address);
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    if (begin == end) return kNoSender;
    std::string sender(begin, end);
    for (char& c : sender) {
        if (IsBlank(c)) c = '-';
    }
    return sender;
}

std::string BuildEnvelopeLine(const MimePart& root, const CalendarTime& exportTime, bool utf8) {
    char value[kEnvelopeHeaderSize];
    root.GetHeader("from", value, sizeof value);
    std::string line = "From " + EnvelopeSender(value, utf8) + " ";
    root.GetHeader("date", value, sizeof value);
    char date[kEnvelopeDateLength + 1];
    if (FormatEnvelopeDate(value, date, sizeof date) != 0) {
        const CalendarTime fallback = IsValidCalendarTime(exportTime) ? exportTime : CalendarTime();
        FormatEnvelopeTime(fallback, date);
    }
    line.append(date, kEnvelopeDateLength);
    line.append("\r\n", 2);
    return line;
}

}  // namespace tessera
