#include "export/framing/MessageDate.h"

#include <cstdio>
#include <cstring>

#include "export/framing/EnvelopeLine.h"
#include "export/mime/MimePart.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

struct NamedZone {
    const char* name;
    int offsetMinutes;
};

const NamedZone kNamedZones[] = {
    {"UT", 0},        {"UTC", 0},       {"GMT", 0},       {"Z", 0},         {"JST", 9 * 60},
    {"EST", -5 * 60}, {"EDT", -4 * 60}, {"CST", -6 * 60}, {"CDT", -5 * 60}, {"MST", -7 * 60},
    {"MDT", -6 * 60}, {"PST", -8 * 60}, {"PDT", -7 * 60},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int ReadZone(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    if ((*p == '+' || *p == '-') && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) &&
        IsDigit(p[4])) {
        const int hours = (p[1] - '0') * 10 + (p[2] - '0');
        const int minutes = (p[3] - '0') * 10 + (p[4] - '0');
        if (hours > 23 || minutes > 59) return 0;
        return (*p == '-' ? -1 : 1) * (hours * 60 + minutes);
    }
    size_t n = 0;
    while (p[n] != '\0' && ((p[n] >= 'A' && p[n] <= 'Z') || (p[n] >= 'a' && p[n] <= 'z'))) ++n;
    for (const NamedZone& zone : kNamedZones) {
        if (std::strlen(zone.name) == n && EqualsIgnoreCase(std::string_view(p, n), zone.name)) {
            return zone.offsetMinutes;
        }
    }
    return 0;
}

}  // namespace

bool ReadMessageDate(const char* value, MessageDate& date) {
    const char* afterClock = nullptr;
    if (!ReadDateFields(value, date.local, afterClock)) return false;
    date.offsetMinutes = ReadZone(afterClock);
    return true;
}

bool ReadMessageDate(const MimePart& root, MessageDate& date) {
    char value[kEnvelopeHeaderSize];
    root.GetHeader("date", value, sizeof value);
    return ReadMessageDate(value, date);
}

int64_t UtcSeconds(const MessageDate& date) {
    const CalendarTime& t = date.local;
    const int64_t days = DaysSinceEpoch(t.year, t.month, t.day);
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second -
           static_cast<int64_t>(date.offsetMinutes) * 60;
}

std::string Iso8601(const MessageDate& date) {
    const CalendarTime& t = date.local;
    const int offset = date.offsetMinutes < 0 ? -date.offsetMinutes : date.offsetMinutes;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, date.offsetMinutes < 0 ? '-' : '+',
                  offset / 60, offset % 60);
    return text;
}

}  // namespace tessera
