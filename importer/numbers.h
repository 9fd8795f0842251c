// Values of logger exports and numbers written to station files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kaldero::importer {

// The decimal separator of a file's values. Undecided takes whichever the
// first value with a separator shows; after that the other one is refused.
enum class DecimalMark { Undecided, Point, Comma };

enum class ValueKind { Number, Missing, NotANumber, MixedMark };

struct ParsedValue {
  ValueKind kind = ValueKind::NotANumber;
  double value = 0;
};

// A missing value: empty, "NaN" (any case), "-", "#N/A" or "N/A".
bool isMissing(std::string_view field);

// Reads a value field (blanks around it ignored); settles an undecided
// decimal mark. A number must fill the field and be finite.
ParsedValue parseValue(std::string_view field, DecimalMark& mark);

// Reads a plain number with a decimal point (options, header values).
bool parseNumber(std::string_view text, double& out);

// Whether the program can hold v in single precision: finite and at most
// FLT_MAX in size.
bool inSinglePrecision(double v);
// Why the program cannot take a value in single precision once it has
// multiplied it by factor into the unit it computes in (named unit), for a
// message: "is beyond the program's single precision (1e+42 mg)" or "reads
// as 0 ..."; empty when it can (0 can).
std::string singlePrecisionProblem(double value, double factor, std::string_view unit);

// The shortest text that reads back as the same double, never in a
// locale-dependent way. Writes into buf (at least 32 characters); returns
// the length.
std::size_t formatNumber(double v, char* buf);
std::string formatNumber(double v);

}  // namespace kaldero::importer
