// The moment a message was sent, read from its Date header: what its files are
// dated by and what name patterns and the index show.
#pragma once

#include <cstdint>
#include <string>

#include "export/seams/CalendarTime.h"

namespace tessera {

class MimePart;

struct MessageDate {
    CalendarTime local;     // as the sender wrote it, in the sender's zone
    int offsetMinutes = 0;  // the zone, east of UTC; 0 for "-0000", "GMT" and none
};

// Reads a Date header value with the envelope line's rules, then its zone: a
// numeric "+hhmm"/"-hhmm", or UT, UTC, GMT, Z, JST and the US zone names; an
// unknown or missing zone counts as UTC. False when the date cannot be read.
bool ReadMessageDate(const char* value, MessageDate& date);

// The same for a message's own Date header.
bool ReadMessageDate(const MimePart& root, MessageDate& date);

// Seconds since 1970-01-01 00:00:00 UTC.
int64_t UtcSeconds(const MessageDate& date);

// "2002-03-05T09:07:03+09:00": ISO 8601 in the sender's own zone.
std::string Iso8601(const MessageDate& date);

}  // namespace tessera
