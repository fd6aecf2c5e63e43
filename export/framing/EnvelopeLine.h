#pragma once

#include <cstddef>
#include <string>

#include "export/seams/CalendarTime.h"

namespace tessera {

class MimePart;

constexpr size_t kEnvelopeAddressSize = 256;  // address buffer, terminator included
constexpr size_t kEnvelopeDateLength = 24;    // "Tue Mar 05 09:07:03 2002"
constexpr size_t kEnvelopeHeaderSize = 1024;  // header values are read into this much

// Stores the bare address of a From header value (as GetHeader returns it) into
// address: at most size - 1 bytes, possibly empty. Never fails. The value is
// Shift-JIS, or, with `utf8`, UTF-8 (an export to UTF-8 with raw headers).
void ExtractEnvelopeAddress(const char* value, char* address, size_t size = kEnvelopeAddressSize,
                            bool utf8 = false);

// Reads a Date header value into calendar fields as the sender wrote them (no
// time-zone arithmetic). False when the value cannot be read or names no real
// moment (Feb 31, hour 25, ...).
bool ReadEnvelopeDate(const char* value, CalendarTime& time);
// The same, and where the text after the time of day (its zone) begins.
bool ReadDateFields(const char* value, CalendarTime& time, const char*& afterClock);

// Writes "Www Mmm dd HH:mm:ss yyyy" and a terminator (25 bytes) for a valid time.
void FormatEnvelopeTime(const CalendarTime& time, char* out);

// Formats a Date header value as the 24-byte envelope date into out (size >= 25).
// Returns 0, or -1 when the value cannot be read (out is then not to be used).
int FormatEnvelopeDate(const char* value, char* out, size_t size);

// The envelope sender for a From header value: the bare address as one word
// (blanks, CR and LF trimmed at the ends, replaced by '-' inside), or
// "MAILER-DAEMON" when no address is left.
std::string EnvelopeSender(const char* fromValue, bool utf8 = false);

// The whole line "From <sender> <date>\r\n" for a message root. When its Date
// header cannot be read, exportTime (the local time of the export) stands in.
// `utf8`: its headers are UTF-8 (ExtractEnvelopeAddress).
std::string BuildEnvelopeLine(const MimePart& root, const CalendarTime& exportTime,
                              bool utf8 = false);

}  // namespace tessera
