// Reading a code into its enumeration: the free-format reader fills an
// integer, which becomes the enumeration at the end of the full expression
// that read it (also after a failed read, which may have set it):
//
//   reader.read(CodeTarget(values.massUnit).raw());
//
// Within that same expression the enumeration still holds its old value:
// test it in the next statement.
#pragma once

#include <cstdint>

#include "model/codes.h"

namespace kaldero {

template <class E>
class CodeTarget {
 public:
  explicit CodeTarget(E& target) : target_(target), raw_(code(target)) {}
  CodeTarget(const CodeTarget&) = delete;
  CodeTarget& operator=(const CodeTarget&) = delete;
  ~CodeTarget() { target_ = static_cast<E>(raw_); }
  int32_t& raw() { return raw_; }

 private:
  E& target_;
  int32_t raw_;
};

}  // namespace kaldero
