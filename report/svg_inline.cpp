// SVG documents made ready to sit inside an HTML page. A small reader of the
// XML markup (tags with quoted attributes, text, comments, CDATA and
// processing instructions) is enough for what the graphics library writes;
// anything it cannot read gives no figure rather than broken markup.
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "report/html_report.h"

namespace kaldero::html {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool startsWith(std::string_view text, size_t at, std::string_view prefix) {
  return text.substr(at).starts_with(prefix);
}

struct Attribute {
  std::string_view name;
  std::string_view value;
  char quote;
};

// One piece of the markup: a tag, or raw text (character data, comments,
// CDATA sections, processing instructions) copied as it is.
struct Piece {
  enum Kind { Start, End, Raw } kind;
  std::string_view text;  // raw text; the name of a tag
  std::vector<Attribute> attributes;
  bool selfClosing = false;
};

bool isNameChar(char c) {
  return !isSpace(c) && c != '/' && c != '>' && c != '<' && c != '=' && c != '"' && c != '\'';
}

// The end of the construct that starts at `at` with `open` and ends with
// `close`; npos when it is not closed.
size_t skipPast(std::string_view text, size_t at, std::string_view close) {
  const size_t end = text.find(close, at);
  return end == std::string_view::npos ? end : end + close.size();
}

// The doctype, with an internal subset in brackets.
size_t skipDoctype(std::string_view text, size_t at) {
  bool inSubset = false;
  char quote = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      inSubset = true;
    } else if (c == ']') {
      inSubset = false;
    } else if (c == '>' && !inSubset) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// A tag at text[at] == '<'; sets `at` past it. False when malformed.
bool readTag(std::string_view text, size_t& at, Piece& piece) {
  size_t i = at + 1;
  piece.kind = Piece::Start;
  if (i < text.size() && text[i] == '/') {
    piece.kind = Piece::End;
    ++i;
  }
  const size_t nameBegin = i;
  while (i < text.size() && isNameChar(text[i])) ++i;
  if (i == nameBegin) return false;
  piece.text = text.substr(nameBegin, i - nameBegin);
  while (true) {
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size()) return false;
    if (text[i] == '>') {
      at = i + 1;
      return true;
    }
    if (text[i] == '/' && piece.kind == Piece::Start && startsWith(text, i, "/>")) {
      piece.selfClosing = true;
      at = i + 2;
      return true;
    }
    if (piece.kind == Piece::End) return false;
    const size_t attrBegin = i;
    while (i < text.size() && isNameChar(text[i])) ++i;
    if (i == attrBegin) return false;
    Attribute attribute{text.substr(attrBegin, i - attrBegin), {}, '"'};
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size() || text[i] != '=') return false;
    ++i;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return false;
    attribute.quote = text[i];
    const size_t valueEnd = text.find(attribute.quote, i + 1);
    if (valueEnd == std::string_view::npos) return false;
    attribute.value = text.substr(i + 1, valueEnd - i - 1);
    piece.attributes.push_back(attribute);
    i = valueEnd + 1;
  }
}

// The pieces from the root element's start tag to its end tag; nullopt when
// the markup cannot be read or the root is not closed.
std::optional<std::vector<Piece>> readElement(std::string_view text, size_t at) {
  std::vector<Piece> pieces;
  int depth = 0;
  while (at < text.size()) {
    if (text[at] != '<') {
      const size_t end = std::min(text.find('<', at), text.size());
      pieces.push_back({Piece::Raw, text.substr(at, end - at), {}});
      at = end;
      continue;
    }
    size_t end = std::string_view::npos;
    if (startsWith(text, at, "<!--")) {
      end = skipPast(text, at + 4, "-->");
    } else if (startsWith(text, at, "<![CDATA[")) {
      end = skipPast(text, at + 9, "]]>");
    } else if (startsWith(text, at, "<?")) {
      end = skipPast(text, at + 2, "?>");
    } else if (startsWith(text, at, "<!")) {
      return std::nullopt;  // a declaration inside the document
    } else {
      Piece tag{};
      if (!readTag(text, at, tag)) return std::nullopt;
      if (tag.kind == Piece::Start && !tag.selfClosing) ++depth;
      if (tag.kind == Piece::End) --depth;
      pieces.push_back(std::move(tag));
      if (depth <= 0) return pieces;
      continue;
    }
    if (end == std::string_view::npos) return std::nullopt;
    pieces.push_back({Piece::Raw, text.substr(at, end - at), {}});
    at = end;
  }
  return std::nullopt;
}

// A length of the root ("612pt", "400", "10cm") in CSS pixels, the user
// units of an SVG without a viewBox; nullopt for percentages and font-relative
// or unreadable lengths.
std::optional<double> lengthInPixels(std::string_view value) {
  const std::string text(value);
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !(number > 0)) return std::nullopt;
  std::string_view unit(end);
  while (!unit.empty() && isSpace(unit.back())) unit.remove_suffix(1);
  if (unit.empty() || unit == "px") return number;
  if (unit == "pt") return number * 4.0 / 3.0;
  if (unit == "pc") return number * 16.0;
  if (unit == "in") return number * 96.0;
  if (unit == "cm") return number * 96.0 / 2.54;
  if (unit == "mm") return number * 96.0 / 25.4;
  return std::nullopt;
}

std::string shortNumber(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", v);
  return buffer;
}

class IdRewriter {
 public:
  IdRewriter(std::set<std::string_view> ids, std::string_view prefix)
      : ids_(std::move(ids)), prefix_(prefix) {}

  // "#id" of a defined id with the prefix; anything else as it is.
  std::string fragment(std::string_view value) const {
    if (value.starts_with('#') && ids_.contains(value.substr(1))) {
      return "#" + std::string(prefix_) + std::string(value.substr(1));
    }
    return std::string(value);
  }

  // Every url(#id), url('#id') and url("#id") of a defined id prefixed.
  std::string urls(std::string_view value) const {
    std::string out;
    size_t at = 0;
    while (true) {
      const size_t url = value.find("url(", at);
      if (url == std::string_view::npos) break;
      size_t i = url + 4;
      while (i < value.size() && isSpace(value[i])) ++i;
      if (i < value.size() && (value[i] == '\'' || value[i] == '"')) ++i;
      out.append(value.substr(at, i - at));
      at = i;
      if (i < value.size() && value[i] == '#') {
        size_t end = i + 1;
        while (end < value.size() && value[end] != ')' && value[end] != '\'' && value[end] != '"' &&
               !isSpace(value[end])) {
          ++end;
        }
        out += fragment(value.substr(i, end - i));
        at = end;
      }
    }
    out.append(value.substr(at));
    return out;
  }

  std::string id(std::string_view value) const { return std::string(prefix_) + std::string(value); }

 private:
  std::set<std::string_view> ids_;
  std::string_view prefix_;
};

bool isHref(std::string_view name) { return name == "href" || name.ends_with(":href"); }

void writeAttribute(std::string& out, std::string_view name, const std::string& value, char quote) {
  out += ' ';
  out += name;
  out += '=';
  out += quote;
  out += value;
  out += quote;
}

}  // namespace

std::optional<std::string> inlineSvg(std::string_view svg, std::string_view idPrefix) {
  size_t at = 0;
  if (svg.starts_with("\xEF\xBB\xBF")) at = 3;
  // The prolog: XML declaration, processing instructions, comments, doctype.
  while (true) {
    while (at < svg.size() && isSpace(svg[at])) ++at;
    size_t end;
    if (startsWith(svg, at, "<?")) {
      end = skipPast(svg, at + 2, "?>");
    } else if (startsWith(svg, at, "<!--")) {
      end = skipPast(svg, at + 4, "-->");
    } else if (startsWith(svg, at, "<!DOCTYPE") || startsWith(svg, at, "<!doctype")) {
      end = skipDoctype(svg, at);
    } else {
      break;
    }
    if (end == std::string_view::npos) return std::nullopt;
    at = end;
  }
  if (!startsWith(svg, at, "<svg") || at + 4 >= svg.size() || isNameChar(svg[at + 4])) {
    return std::nullopt;
  }
  auto pieces = readElement(svg, at);
  if (!pieces) return std::nullopt;

  std::set<std::string_view> ids;
  for (const Piece& piece : *pieces) {
    for (const Attribute& a : piece.attributes) {
      if (a.name == "id") ids.insert(a.value);
    }
  }
  const IdRewriter rewrite(std::move(ids), idPrefix);

  std::string out;
  out.reserve(svg.size() + svg.size() / 8);
  bool root = true;
  bool inStyle = false;
  for (const Piece& piece : *pieces) {
    if (piece.kind == Piece::Raw) {
      out += inStyle ? rewrite.urls(piece.text) : std::string(piece.text);
      continue;
    }
    if (piece.kind == Piece::End) {
      if (piece.text == "style") inStyle = false;
      out += "</";
      out += piece.text;
      out += '>';
      continue;
    }
    out += '<';
    out += piece.text;
    std::optional<double> width, height;
    bool hasViewBox = false;
    for (const Attribute& a : piece.attributes) {
      if (root && (a.name == "width" || a.name == "height")) {
        (a.name == "width" ? width : height) = lengthInPixels(a.value);
        continue;
      }
      if (root && a.name == "role") continue;
      if (root && a.name == "viewBox") hasViewBox = true;
      std::string value;
      if (a.name == "id") {
        value = rewrite.id(a.value);
      } else if (isHref(a.name)) {
        value = rewrite.fragment(a.value);
      } else {
        value = rewrite.urls(a.value);
      }
      writeAttribute(out, a.name, value, a.quote);
    }
    if (root) {
      if (!hasViewBox && width && height) {
        writeAttribute(out, "viewBox", "0 0 " + shortNumber(*width) + " " + shortNumber(*height),
                       '"');
      }
      writeAttribute(out, "width", "100%", '"');
      writeAttribute(out, "role", "img", '"');
      root = false;
    }
    if (piece.selfClosing) {
      out += "/>";
    } else {
      out += '>';
      if (piece.text == "style") inStyle = true;
    }
  }
  return out;
}

}  // namespace kaldero::html
