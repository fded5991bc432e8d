#pragma once

#include <cstdint>
#include <string>

namespace oq {

// Texts of the numeric edit fields that the editor and the split wizard
// share: the masked time fields (shown as "HH:MM:SS:XX") and the plain
// number fields (at most 10 digits).

// What a numeric field does with a typed character.
enum class FieldKey {
    Accept, // a digit or Backspace: the edit takes it
    Apply,  // Enter: the field's click action runs
    Drop,   // anything else is thrown away
};

// Only the digits, Backspace and Enter pass a numeric field.
FieldKey FilterFieldKey(char32_t key) noexcept;
// A decimal field takes a minus sign and a decimal point besides.
FieldKey FilterDecimalKey(char32_t key) noexcept;

// Hundredths of a second as the masked time field shows them: "HH:MM:SS:XX".
std::string ShownTimeCode(std::int32_t hundredths);

// A masked time field's shown text back to hundredths of a second. An empty
// text is an unfilled mask, which reads as zero; anything else must be the
// full "HH:MM:SS:XX" form. Raises RangeError when it is not.
std::int32_t ReadShownTime(const std::string& shown);

// A number field's text as a 32-bit number: digits only, at least one, and
// within the 32-bit range (the field holds 10 digits, more than that range).
// Raises RangeError otherwise.
std::int32_t ReadFieldNumber(const std::string& text);

// A decimal field's text: an optional minus sign, digits, and an optional
// point with more digits ("-50", "1.5", ".5"). Raises RangeError otherwise.
double ReadFieldDecimal(const std::string& text);
// A value for a decimal field, as short as it reads back exactly ("-50", "0.1").
std::string DecimalFieldText(double value);

} // namespace oq
