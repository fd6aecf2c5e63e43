// The one reader of structured header values such as Content-Type and
// Content-Disposition: "token; name=value; ...", with white space and
// comments around '=' and ';', quoted strings with escapes, and RFC 2231
// continuations ("name*0=", "name*1*=") and charsets ("name*=utf-8''%E3...").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// One parameter as written (a continuation segment is one of these).
struct RawParameter {
    std::string_view name;  // as written, '*' forms included
    std::string value;      // quotes and escapes removed
    size_t valueBegin = 0;  // the value as written in the scanned text
    size_t valueEnd = 0;
};

struct HeaderValue {
    std::string token;  // the text before the first ';', comments and blanks removed
    std::vector<RawParameter> parameters;
};

// Reads a header value (the text after "Name:"); never fails: what cannot be
// read as a parameter is skipped up to the next ';'.
HeaderValue ParseHeaderValue(std::string_view value);

// A parameter with its RFC 2231 segments joined and percent-decoded.
struct ParameterValue {
    bool found = false;
    std::string value;    // bytes in `charset` (RFC 2231) or as written
    std::string charset;  // RFC 2231 charset, empty when none was given
};

// The parameter called `name` (ASCII case ignored). The RFC 2231 form wins
// over a plain one; of several plain ones the last counts.
ParameterValue FindParameter(const HeaderValue& value, std::string_view name);

// Index into value.parameters of the last plain parameter called `name`; -1.
int FindRawParameter(const HeaderValue& value, std::string_view name);

// Whether the value has `name` in any form ("name", "name*", "name*0*", ...).
bool HasParameter(const HeaderValue& value, std::string_view name);

}  // namespace tessera
