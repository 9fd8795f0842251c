#include "importer/table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "core/text.h"

namespace kaldero::importer {

namespace {

// The first lines read to find the layout.
constexpr std::size_t kSampleLines = 1000;
constexpr std::size_t kSampleBytes = 1 << 20;

bool blankLine(std::string_view s) { return text::strip(s).empty(); }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string delimiterName(char d) {
  switch (d) {
    case '\t': return "tab";
    case ';': return "semicolon";
    default: return "comma";
  }
}

// Delimiters outside double quotes.
int countDelimiters(std::string_view line, char d) {
  int n = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == d && !quoted) ++n;
  }
  return n;
}

// The delimiter that splits the data lines (the later half of the sample)
// into the same number of fields; tab, then semicolon, then comma, as a
// comma may also be a decimal comma.
std::optional<char> detectDelimiter(const std::vector<std::string>& lines) {
  std::vector<std::string_view> body;
  for (const std::string& l : lines)
    if (!blankLine(l)) body.push_back(l);
  if (body.empty()) return std::nullopt;
  const std::size_t from = body.size() <= 3 ? 0 : body.size() / 2;
  const std::size_t considered = body.size() - from;
  // A delimiter that splits 90 % of the lines alike wins by the order above;
  // else (a short sample with a cut line) the one that splits most alike,
  // if it splits at least half of them.
  std::optional<char> best;
  std::size_t bestShare = 0;
  for (char d : {'\t', ';', ','}) {
    std::map<int, std::size_t> counts;
    for (std::size_t i = from; i < body.size(); ++i) ++counts[countDelimiters(body[i], d)];
    const auto most = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
      return a.second < b.second;
    });
    if (most->first < 1) continue;
    if (most->second * 10 >= considered * 9) return d;
    if (most->second * 2 >= considered && most->second > bestShare) {
      best = d;
      bestShare = most->second;
    }
  }
  return best;
}

// Data rows start with a number: the test for the line below a header row
// when the time column is not yet known.
bool looksLikeData(const std::vector<Field>& f) {
  if (f.size() < 2) return false;
  const std::string_view first = text::strip(f[0].text);
  return !first.empty() && first.front() >= '0' && first.front() <= '9';
}

const char* const kRecognised =
    "recognised: 2016-04-13T10:00[:00][Z|+02:00], 13.04.2016 10:00[:00], 13/04/2016 "
    "10:00[:00] (--date-order mdy for 04/13/2016); else give --datetime-format";

}  // namespace

ColumnRef ColumnRef::parse(std::string_view text) {
  const std::string_view t = text::strip(text);
  const bool digits = !t.empty() && t.size() <= 6 &&
                      std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  // Column 0 does not exist: it stays a name that no header row has.
  if (digits && std::stoi(std::string(t)) > 0) return ColumnRef{std::stoi(std::string(t)), {}};
  return ColumnRef{0, std::string(t)};
}

std::string ColumnRef::text() const {
  return number > 0 ? std::to_string(number) : "\"" + name + "\"";
}

void splitFields(std::string_view line, char delimiter, std::vector<Field>& out) {
  out.clear();
  std::size_t at = 0;
  const std::size_t n = line.size();
  for (;;) {
    std::size_t start = at;
    while (start < n && text::isBlank(line[start]) && line[start] != delimiter) ++start;
    if (start < n && line[start] == '"') {
      // Quoted: up to the closing quote ("" inside stands for a quote).
      std::size_t close = start + 1;
      while (close < n) {
        if (line[close] == '"') {
          if (close + 1 < n && line[close + 1] == '"') {
            close += 2;
            continue;
          }
          break;
        }
        ++close;
      }
      out.push_back({line.substr(start + 1, std::min(close, n) - start - 1),
                     static_cast<int64_t>(start + 1)});
      const void* d = close < n ? std::memchr(line.data() + close, delimiter, n - close) : nullptr;
      if (!d) return;
      at = static_cast<std::size_t>(static_cast<const char*>(d) - line.data()) + 1;
      continue;
    }
    const void* d = std::memchr(line.data() + at, delimiter, n - at);
    const std::size_t stop = d ? static_cast<std::size_t>(static_cast<const char*>(d) - line.data()) : n;
    out.push_back({line.substr(at, stop - at), static_cast<int64_t>(at + 1)});
    if (!d) return;
    at = stop + 1;
  }
}

std::string Layout::describe(int index) const {
  std::string s = "column " + std::to_string(index + 1);
  if (index >= 0 && static_cast<std::size_t>(index) < names.size() && !names[index].empty())
    s += " (" + names[index] + ")";
  return s;
}

Error TableReader::errorAt(int64_t column, std::string message) const {
  return dataError(source_.path, reader_.lineNumber(), column, std::move(message));
}

Status TableReader::open(const TableSource& source) {
  source_ = source;
  layout_ = Layout{};
  previous_.reset();
  previousLine_ = markLine_ = 0;
  error_.reset();
  if (auto e = reader_.open(source.path)) return e;
  if (auto e = detect()) return e;
  if (auto e = reader_.rewind()) return e;
  while (reader_.lineNumber() + 1 < layout_.firstDataLine) {
    if (!reader_.next()) break;
  }
  return std::nullopt;
}

Status TableReader::detect() {
  const std::string& path = source_.path;
  std::vector<std::string> lines;
  std::size_t bytes = 0;
  bool wholeFile = false;
  while (lines.size() < kSampleLines && bytes < kSampleBytes) {
    auto l = reader_.next();
    if (!l) {
      if (reader_.error()) return reader_.error();
      wholeFile = true;
      break;
    }
    lines.emplace_back(*l);
    bytes += l->size();
  }
  if (lines.empty() || std::all_of(lines.begin(), lines.end(), blankLine)) {
    if (wholeFile) return dataError(path, 1, 1, "the file is empty");
  }

  Layout& L = layout_;
  if (source_.layout.delimiter) {
    L.delimiter = *source_.layout.delimiter;
  } else if (auto d = detectDelimiter(lines)) {
    L.delimiter = *d;
  } else {
    return dataError(path, 1, 1,
                     "cannot tell the delimiter: no comma, semicolon or tab splits the lines "
                     "into the same columns (give --delimiter)");
  }
  if (source_.layout.decimalComma) L.mark = DecimalMark::Comma;
  else if (L.delimiter == ',') L.mark = DecimalMark::Point;

  std::vector<const ColumnRef*> refs;
  if (source_.date) {
    refs.push_back(&*source_.date);
    refs.push_back(&*source_.time);
  } else {
    refs.push_back(&source_.datetime);
  }
  for (const ColumnRef& v : source_.values) refs.push_back(&v);
  const bool named = std::any_of(refs.begin(), refs.end(), [](auto r) { return r->number == 0; });

  std::vector<Field> f;
  auto fieldsOf = [&](std::size_t i) -> const std::vector<Field>& {
    splitFields(lines[i], L.delimiter, f);
    return f;
  };
  // Index of a ref in a header row; -1 when it is not there.
  auto find = [&](const ColumnRef& r, const std::vector<Field>& header) -> int {
    if (r.number > 0) return r.number - 1;
    for (std::size_t i = 0; i < header.size(); ++i)
      if (text::strip(header[i].text) == r.name) return static_cast<int>(i);
    int found = -1;
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (sameNoCase(text::strip(header[i].text), r.name)) {
        if (found >= 0) return -1;  // ambiguous without the exact case
        found = static_cast<int>(i);
      }
    }
    return found;
  };
  auto setIndexes = [&](const std::vector<Field>* header) {
    static const std::vector<Field> none;
    const std::vector<Field>& h = header ? *header : none;
    std::size_t k = 0;
    if (source_.date) {
      L.dateIndex = find(*refs[k++], h);
      L.timeIndex = find(*refs[k++], h);
    } else {
      L.datetimeIndex = find(*refs[k++], h);
    }
    L.valueIndex.clear();
    for (; k < refs.size(); ++k) L.valueIndex.push_back(find(*refs[k], h));
    L.names.clear();
    for (const Field& x : h) L.names.emplace_back(text::strip(x.text));
  };
  auto stampOf = [&](const std::vector<Field>& row) -> StampParse {
    if (source_.date) {
      const int d = source_.date->number - 1, t = source_.time->number - 1;
      if (static_cast<std::size_t>(std::max(d, t)) >= row.size()) return {};
      return parseDateAndTime(row[d].text, row[t].text, source_.format);
    }
    const int i = source_.datetime.number - 1;
    if (static_cast<std::size_t>(i) >= row.size()) return {};
    return parseDateTime(row[i].text, source_.format);
  };
  auto missingName = [&](std::size_t line, const std::vector<Field>& header) -> Error {
    std::string have;
    for (const Field& x : header) {
      if (!have.empty()) have += ", ";
      have += "\"" + std::string(text::strip(x.text)) + "\"";
    }
    for (const ColumnRef* r : refs) {
      if (r->number == 0 && find(*r, header) < 0) {
        return dataError(path, static_cast<int64_t>(line + 1), 1,
                         "no column named \"" + r->name + "\" in the header row (it has " + have +
                             ")");
      }
    }
    return dataError(path, static_cast<int64_t>(line + 1), 1, "no header row");
  };

  const std::size_t start = static_cast<std::size_t>(source_.layout.skipLines.value_or(0));
  if (start >= lines.size()) {
    const std::string why = wholeFile ? "the file has only " + std::to_string(lines.size()) +
                                            " lines"
                                      : "the layout is looked for in the first " +
                                            std::to_string(lines.size()) + " lines";
    return dataError(path, static_cast<int64_t>(lines.size()), 1,
                     "--skip-lines " + std::to_string(start) + " skips every line (" + why + ")");
  }

  if (source_.layout.skipLines) {
    const std::vector<Field>& first = fieldsOf(start);
    if (!named && stampOf(first).stamp) {
      L.firstDataLine = static_cast<int64_t>(start + 1);
      setIndexes(nullptr);
    } else {
      const std::vector<Field> header = first;
      if (named) {
        for (const ColumnRef* r : refs)
          if (r->number == 0 && find(*r, header) < 0) return missingName(start, header);
      }
      L.headerLine = static_cast<int64_t>(start + 1);
      L.firstDataLine = L.headerLine + 1;
      setIndexes(&header);
    }
  } else if (named) {
    // The header row is the first line that holds every name asked for.
    std::optional<std::size_t> header;
    std::size_t best = 0, bestCount = 0;
    std::optional<std::size_t> firstData;
    for (std::size_t i = start; i < lines.size() && !header; ++i) {
      const std::vector<Field>& row = fieldsOf(i);
      std::size_t count = 0, wanted = 0;
      for (const ColumnRef* r : refs) {
        if (r->number > 0) continue;
        ++wanted;
        if (find(*r, row) >= 0) ++count;
      }
      if (count == wanted) header = i;
      if (count > bestCount) bestCount = count, best = i;
      if (!firstData && looksLikeData(row)) firstData = i;
    }
    if (!header) {
      // Report at the line that names most of them, else at the line above
      // the first data row (a header row with other names).
      std::size_t at = best;
      if (bestCount == 0) {
        at = firstData && *firstData > start ? *firstData - 1 : start;
        while (at > start && blankLine(lines[at])) --at;
      }
      const std::vector<Field> row = fieldsOf(at);
      return missingName(at, row);
    }
    const std::vector<Field> h = fieldsOf(*header);
    L.headerLine = static_cast<int64_t>(*header + 1);
    L.firstDataLine = L.headerLine + 1;
    setIndexes(&h);
  } else {
    // The first line whose time stamp reads is the first data row; the
    // line above it is the header row when it has as many fields.
    for (std::size_t i = start; i < lines.size() && L.firstDataLine == 0; ++i) {
      if (blankLine(lines[i])) continue;
      const std::vector<Field> row = fieldsOf(i);
      if (!stampOf(row).stamp) continue;
      L.firstDataLine = static_cast<int64_t>(i + 1);
      std::size_t above = i;
      while (above > start && blankLine(lines[above - 1])) --above;
      if (above > start) {
        const std::vector<Field> h = fieldsOf(above - 1);
        if (h.size() == row.size()) {
          L.headerLine = static_cast<int64_t>(above);
          setIndexes(&h);
          break;
        }
      }
      setIndexes(nullptr);
    }
    if (L.firstDataLine == 0) {
      // Say why the line that looks most like data is not.
      for (std::size_t i = start; i < lines.size(); ++i) {
        const std::vector<Field> row = fieldsOf(i);
        if (!looksLikeData(row)) continue;
        const int at = source_.date ? source_.date->number - 1 : source_.datetime.number - 1;
        const std::string where = "column " + std::to_string(at + 1);
        if (static_cast<std::size_t>(at) >= row.size() ||
            (source_.date && static_cast<std::size_t>(source_.time->number - 1) >= row.size()))
          return dataError(path, static_cast<int64_t>(i + 1), 1,
                           "the first data row has only " + std::to_string(row.size()) +
                               " fields: no time stamp in " + where);
        const StampParse p = stampOf(row);
        std::string text(text::strip(row[at].text));
        if (source_.date) text += " " + std::string(text::strip(row[source_.time->number - 1].text));
        return dataError(path, static_cast<int64_t>(i + 1), row[at].column,
                         "\"" + text + "\" in " + where + " is not a date-time: " +
                             (p.why.empty() ? kRecognised : p.why));
      }
      return dataError(path, static_cast<int64_t>(lines.size()), 1,
                       "no data row: no line has a date-time in column " +
                           std::to_string(source_.date ? source_.date->number
                                                     : source_.datetime.number) +
                           (wholeFile ? "" : " among the first lines"));
    }
  }

  needed_ = 0;
  for (int i : {L.datetimeIndex, L.dateIndex, L.timeIndex})
    if (i >= 0) needed_ = std::max(needed_, static_cast<std::size_t>(i) + 1);
  for (int i : L.valueIndex) needed_ = std::max(needed_, static_cast<std::size_t>(i) + 1);
  return std::nullopt;
}

Status TableReader::readStamp() {
  auto text = [&](int i) { return text::strip(fields_[i].text); };
  StampParse p;
  std::string shown;
  if (layout_.datetimeIndex >= 0) {
    const int i = layout_.datetimeIndex;
    stampColumn_ = fields_[i].column;
    if (text(i).empty()) {
      stampMissing_ = true;
      return std::nullopt;
    }
    p = parseDateTime(fields_[i].text, source_.format);
    if (!p.stamp) shown = "\"" + std::string(text(i)) + "\" in " + layout_.describe(i);
  } else {
    const int d = layout_.dateIndex, t = layout_.timeIndex;
    stampColumn_ = fields_[d].column;
    if (text(d).empty() || text(t).empty()) {
      stampMissing_ = true;
      return std::nullopt;
    }
    p = parseDateAndTime(fields_[d].text, fields_[t].text, source_.format);
    if (!p.stamp)
      shown = "\"" + std::string(text(d)) + " " + std::string(text(t)) + "\" in " +
              layout_.describe(d) + " and " + layout_.describe(t);
  }
  stampMissing_ = false;
  if (!p.stamp)
    return errorAt(stampColumn_,
                   shown + " is not a date-time: " + (p.why.empty() ? kRecognised : p.why));
  stamp_ = *p.stamp;
  if (previous_) {
    if (previous_->zoned != stamp_.zoned)
      return errorAt(stampColumn_, std::string(stamp_.zoned ? "this time stamp has a time zone, "
                                                            : "this time stamp has no time zone, ") +
                                       "that of line " + std::to_string(previousLine_) +
                                       (stamp_.zoned ? " has none" : " has one") +
                                       ": a file must keep to one kind");
    if (stamp_.micros <= previous_->micros)
      return errorAt(
          stampColumn_,
          "time stamp " + formatStamp(stamp_) +
              (stamp_.micros == previous_->micros ? " repeats that of line "
                                                  : " goes back from that of line ") +
              std::to_string(previousLine_) + " (" + formatStamp(*previous_) +
              "): time stamps must increase (a clock set back, as at the end of daylight "
              "saving time, or repeated rows?)");
  }
  previous_ = stamp_;
  previousLine_ = reader_.lineNumber();
  return std::nullopt;
}

TableReader::Next TableReader::next() {
  for (;;) {
    auto l = reader_.next();
    if (!l) {
      if (reader_.error()) {
        error_ = reader_.error();
        return Next::Failed;
      }
      return Next::End;
    }
    if (blankLine(*l)) continue;
    splitFields(*l, layout_.delimiter, fields_);
    if (fields_.size() < needed_) {
      int missing = 0;
      for (int i : {layout_.datetimeIndex, layout_.dateIndex, layout_.timeIndex})
        missing = std::max(missing, i);
      for (int i : layout_.valueIndex) missing = std::max(missing, i);
      error_ = errorAt(static_cast<int64_t>(l->size()) + 1,
                       "the row has " + std::to_string(fields_.size()) + " field" +
                           (fields_.size() == 1 ? "" : "s") + " (" +
                           delimiterName(layout_.delimiter) + " delimiter): " +
                           layout_.describe(missing) + " is missing");
      return Next::Failed;
    }
    if ((error_ = readStamp())) return Next::Failed;
    return Next::Row;
  }
}

bool TableReader::value(std::size_t i, std::optional<double>& out) {
  const int index = layout_.valueIndex[i];
  const Field& f = fields_[index];
  const DecimalMark before = layout_.mark;
  const ParsedValue v = parseValue(f.text, layout_.mark);
  if (before == DecimalMark::Undecided && layout_.mark != before) markLine_ = reader_.lineNumber();
  switch (v.kind) {
    case ValueKind::Number: out = v.value; return true;
    case ValueKind::Missing: out.reset(); return true;
    case ValueKind::NotANumber:
      error_ = errorAt(f.column, "\"" + std::string(text::strip(f.text)) + "\" in " +
                                     layout_.describe(index) + " is not a number");
      return false;
    case ValueKind::MixedMark: {
      const bool comma = layout_.mark == DecimalMark::Comma;
      std::string settled =
          markLine_ > 0 ? "line " + std::to_string(markLine_) + " has a decimal " +
                              (comma ? "comma" : "point")
          : comma       ? "the decimal mark is a comma (--decimal-comma)"
                        : "a comma-delimited file has a decimal point";
      error_ = errorAt(f.column, "\"" + std::string(text::strip(f.text)) + "\" in " +
                                     layout_.describe(index) + " has a decimal " +
                                     (comma ? "point" : "comma") + ", but " + settled +
                                     ": a file must keep to one decimal mark");
      return false;
    }
  }
  return false;
}

}  // namespace kaldero::importer
