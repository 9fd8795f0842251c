// The results files of a run (--results JSON, --table CSV, --report HTML),
// written through the output gate at the end of the run, stopped or not.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/figures.h"
#include "report/run_record.h"

namespace kaldero {

class Console;
class OutputGate;

struct ResultsFileNames {
  std::optional<std::string> json;
  std::optional<std::string> table;
  std::optional<std::string> report;
  figures::Options figures;  // of the report's figures
};

// Every file is opened before any is written, so that each document can
// count one that cannot be created; the JSON document is written last, with
// the exit status the run really ends with. Returns that status: the one
// given, made 4 when an output file of the run could not be written.
int writeResultsFiles(Console& console, OutputGate& gate, std::vector<RunRecord>& records,
                      const ResultsFileNames& names, int status);

}  // namespace kaldero
