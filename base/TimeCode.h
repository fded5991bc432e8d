#pragma once

#include <cstdint>
#include <string>

namespace oq {

// Time codes: eight digits HHMMSSXX (hours, minutes, seconds, hundredths),
// shown by the masked edits as "HH:MM:SS:XX".

// Hundredths of a second (not negative) to the eight-digit form.
std::string FormatTimeCode(std::int32_t hundredths);

// The displayed form "HH:MM:SS:XX" back to hundredths. Each two-digit field
// may be 00..99; a seconds or minutes field above 59 carries once.
// Raises RangeError when a field is not a number.
std::int32_t ParseTimeCode(const std::string& displayed);

// "HH:MM:SS" from an eight-digit time code (the hundredths are dropped).
std::string ShortTime(const std::string& timeCode);

// Kilobytes (units of 1000 bytes) grouped with the user's locale's thousands
// separator, no decimals, followed directly by "Kb": 1234567 -> "1,234,567Kb".
std::string KbText(std::int64_t kilobytes);

// The same grouping without a unit, shared with the byte counts of the
// information text.
std::string GroupedNumber(std::int64_t value);

} // namespace oq
