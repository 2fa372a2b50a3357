// The old-style property-list text that `defaults` prints, and the date text it reads
// and writes.
//
// Layout of a listing: a container at depth L opens after 4·L spaces of its own, its
// entries are indented 4·(L+1) and it closes at 4·L; dictionary entries end with ";",
// array items are separated by ",". Keys and strings stay bare only when they are
// non-empty and made of ASCII letters and digits; otherwise they are quoted with
// \" \\ \n \t \r escapes and every other character outside printable ASCII written as
// \UXXXX (UTF-16 code units). Numbers follow the same rule by their text (48, 36 and
// booleans 1/0 bare; "-1", "0.5" quoted), dates are quoted, data is
// {length = N, bytes = 0x...}.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/plist/Value.h"

namespace sim {

// `defaults read DOMAIN`: the whole domain from "{" to "}" (no final line feed).
std::string formatDomainListing(const plist::Dictionary& domain);

// `defaults read DOMAIN KEY`: scalars as plain text (strings raw, without quotes or
// escapes), containers as in a listing. No final line feed.
std::string formatValueForRead(const plist::Value& value);

// A key or string as a listing writes it: bare or quoted and escaped.
std::string quotedString(std::string_view text);

// "2021-01-08 12:05:53 +0000" (UTC, whole seconds).
std::string formatDate(const plist::Date& date);

// Reads "YYYY-MM-DD HH:MM:SS +HHMM" (any offset, also -HHMM) or the XML form
// "YYYY-MM-DDTHH:MM:SSZ". Fields are checked (months, days of the month, hours,
// minutes, seconds up to 59); nullopt for anything else.
std::optional<plist::Date> parseDate(std::string_view text);

// A real with at most 16 significant digits, trailing zeros dropped (0.5, 48,
// 0.155759260058403, 1e+100); a 4-byte real (single) at its own 7 (0.12, 0.7788008).
std::string formatReal(double value, bool single = false);

// {length = 3, bytes = 0x010203}; past 24 bytes only the first 16 and the last 8 are
// shown: {length = 100, bytes = 0x00010203 04050607 08090a0b 0c0d0e0f ... 5c5d5e5f 60616263 }.
std::string formatData(const plist::Data& data);

}  // namespace sim
