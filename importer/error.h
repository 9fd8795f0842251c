// Errors of the importer are the errors of both programs (core/error.h):
// where (file, line, column) and what, returned as values. Nothing in the
// library prints; the command line shows text().
#pragma once

#include "core/error.h"

namespace kaldero::importer {

using kaldero::dataError;
using kaldero::Error;
using kaldero::ErrorKind;
using kaldero::Expected;
using kaldero::optionError;
using kaldero::Status;

}  // namespace kaldero::importer
