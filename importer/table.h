// A logger export read as a table: the layout found from its first lines
// (delimiter, decimal mark, metadata lines, header row, the columns asked
// for), then its data rows one at a time, each with its time stamp read and
// checked against the previous one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importer/datetime.h"
#include "importer/error.h"
#include "importer/line_reader.h"
#include "importer/numbers.h"

namespace kaldero::importer {

// A column: its 1-based number or its name in the header row.
struct ColumnRef {
  int number = 0;    // 0 when named
  std::string name;

  static ColumnRef parse(std::string_view text);  // digits: a number, else a name
  std::string text() const;                       // as the user wrote it
};

struct LayoutOptions {
  std::optional<char> delimiter;      // forced; else detected among tab, ';', ','
  bool decimalComma = false;          // forced; else detected
  std::optional<int64_t> skipLines;   // lines before the header row (or the data)
};

struct TableSource {
  std::string path;
  // The time stamp: one column, or a date column and a time column.
  ColumnRef datetime{1, {}};
  std::optional<ColumnRef> date, time;
  std::vector<ColumnRef> values;  // the value columns, in the caller's order
  LayoutOptions layout;
  DateTimeFormat format;
};

// Field of a line: its text (without enclosing quotes) and where it starts.
struct Field {
  std::string_view text;
  int64_t column = 1;  // 1-based character position in the line
};

// Splits a line at the delimiter; a field in double quotes may hold the
// delimiter. The fields point into line.
void splitFields(std::string_view line, char delimiter, std::vector<Field>& out);

struct Layout {
  char delimiter = ',';
  DecimalMark mark = DecimalMark::Undecided;
  int64_t headerLine = 0;      // 0: no header row
  int64_t firstDataLine = 0;
  std::vector<std::string> names;  // of the header row
  int datetimeIndex = -1, dateIndex = -1, timeIndex = -1;  // 0-based; -1 unused
  std::vector<int> valueIndex;

  // "column 4 (Rhodamine [ppb])", the name left out without a header row.
  std::string describe(int index) const;
};

class TableReader {
 public:
  // Opens the file, finds its layout and stands before the first data row.
  Status open(const TableSource& source);
  const Layout& layout() const { return layout_; }
  const std::string& path() const { return source_.path; }

  enum class Next { Row, End, Failed };
  // The next data row (blank lines skipped). A row whose time stamp is
  // missing is a row too: stampMissing() tells.
  Next next();
  const Error& error() const { return *error_; }

  int64_t line() const { return reader_.lineNumber(); }
  bool stampMissing() const { return stampMissing_; }
  const Stamp& stamp() const { return stamp_; }
  int64_t stampColumn() const { return stampColumn_; }

  // Value i of the row: a number, or nullopt when missing; false (with
  // error() set) when it is not a number.
  bool value(std::size_t i, std::optional<double>& out);
  int64_t valueColumn(std::size_t i) const { return fields_[layout_.valueIndex[i]].column; }

  // A data error on this row at a character position.
  Error errorAt(int64_t column, std::string message) const;

 private:
  Status detect();
  Status readStamp();

  TableSource source_;
  LineReader reader_;
  Layout layout_;
  std::vector<Field> fields_;
  std::size_t needed_ = 0;  // fields a data row must have
  Status error_;
  bool stampMissing_ = false;
  Stamp stamp_;
  int64_t stampColumn_ = 1;
  // The last stamp read, for the order test.
  std::optional<Stamp> previous_;
  int64_t previousLine_ = 0;
  int64_t markLine_ = 0;  // line that settled the decimal mark
};

}  // namespace kaldero::importer
