// The one gate every output file of a run goes through. It applies the name
// rule once, in one place, and records what was written:
//
//   An output never replaces an input of the run (the control file, a
//   station data file), a file written earlier in the run, or another
//   output of the same station.
//
// A station's outputs are planned before its first file is written (from
// its header and the run's options), in the order of the header, the
// results listing first. Among the planned outputs of one station, the
// first to claim a name keeps it: a later one of the same name is refused.
// A results listing that clashes stops the station before anything is
// written (the caller shows the name-reuse report); any other file that
// clashes is not written: the gate reports it on the console and counts it
// (the run then ends with exit status 4). A file that cannot be created or
// written completely is reported and counted the same way.
//
// The results files (JSON, CSV, HTML) take their lists of written files
// from the gate, never from the file system or from name suffixes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/checked_file.h"
#include "core/file_identity.h"

namespace kaldero {

class Console;

// A file of the run: its name, what it is ("results listing", "data plot",
// ...) and, for a figure, its format ("ps", "png", "svg", "pdf").
struct OutputRecord {
  std::string name;
  std::string kind;
  std::string format;
  bool operator==(const OutputRecord&) const = default;
};

class OutputGate {
 public:
  explicit OutputGate(Console& console) : console_(console) {}
  OutputGate(const OutputGate&) = delete;
  OutputGate& operator=(const OutputGate&) = delete;

  // A file the run reads: no output may replace it. kind: "control file",
  // "station data file".
  void addInput(const std::string& path, std::string_view kind);

  // Starts a station with the outputs it may write, the results listing
  // first. Returns why the listing may not be written (then nothing of the
  // station is), or nothing.
  std::optional<std::string> planStation(const std::vector<OutputRecord>& planned);

  // Why f may not be written, or nothing when it may.
  std::optional<std::string> refusal(const OutputRecord& f) const;

  // Whole files: the lines, each ended by a line end, written through the
  // rule and the checked writer. A refusal or a failure is reported and
  // counted; true when the file was written completely.
  bool writeLines(const OutputRecord& f, const std::vector<std::string>& lines);
  bool writeText(const OutputRecord& f, std::string_view text);
  // A file the run cannot go on without (the interpolated-data file): as
  // writeLines, but a file that cannot be created is neither reported nor
  // counted and gives false (the caller reports it and stops the run). A
  // refused file is reported and counted as any other; true then.
  bool writeRequired(const OutputRecord& f, const std::vector<std::string>& lines);

  // Files written piece by piece. open() applies the rule and opens; a
  // refusal or a file that cannot be created is reported and counted unless
  // quiet (the results listing reports its own failures), and gives false.
  // close() closes and records the file; a file not written completely is
  // reported and counted unless quiet.
  bool open(CheckedFile& file, const OutputRecord& f,
            CheckedFile::Mode mode = CheckedFile::Mode::Replace, bool quiet = false);
  bool close(CheckedFile& file, const OutputRecord& f, bool quiet = false);

  // Files that another library writes (the graphics library's figures): a
  // fresh scratch file in the working folder with the given extension, or
  // nothing (with a console line) when none can be made there.
  std::optional<std::string> scratchFile(std::string_view extension);
  // Keeps the scratch file under f's name when the rule allows and it is
  // complete; it is removed in every other case (the refusal or failure
  // reported and counted). True when kept.
  bool keep(const std::string& scratch, const OutputRecord& f, bool complete);

  // Drops a scratch file that could not be drawn, with the console line
  // that says so; counted as a file not written.
  void discard(const std::string& scratch, std::string_view why);

  // A file opened through the gate that could not be written completely
  // (the results listing, which reports that itself) is not one the run
  // wrote.
  void incomplete(const std::string& name);

  // The files written for the current station since planStation, each
  // once, in the order they were first written; cleared by the call.
  std::vector<OutputRecord> takeStationFiles();
  // The files written outside any station (the results files, the campaign
  // figures).
  std::vector<OutputRecord> runFiles() const;
  // Ends the station: its outputs stay protected, its plan is dropped.
  void endStation();
  // Starts the run of another control file: the files earlier runs wrote
  // outside their stations (the campaign figures) stay protected against
  // this run's files of the same kind.
  void startRun() { ++run_; }

  // Output files refused or not written completely in the whole run.
  int notWritten() const { return notWritten_; }

 private:
  // The claim of a name: which output, and whether it is a file of the
  // current station's plan.
  struct Claim {
    OutputRecord record;
    bool written = false;  // written in the run (else only planned)
    bool station = false;  // a claim of the current station
    int run = 0;           // the run that made the claim
  };
  const Claim* claimOf(const std::string& name) const;
  void claim(const OutputRecord& f, bool written);
  void recordWritten(const OutputRecord& f);
  void reportRefusal(const OutputRecord& f, const std::string& reason);
  void reportFailure(const OutputRecord& f, const WriteOutcome& outcome);

  Console& console_;
  std::vector<std::pair<FileSet, std::string>> inputs_;  // one set a kind
  // Claims by normalized path, with the identities of existing files.
  std::map<std::string, Claim> claims_;
  // The keys of the current station's claims, so that ending a station
  // visits its own claims and not every claim of the call.
  std::vector<std::string> stationClaims_;
  std::map<std::pair<unsigned long long, unsigned long long>, std::string> ids_;
  // A file written, with its normalized path: names are relative to the
  // folder the run worked in, which changes from control file to control
  // file.
  struct Written {
    OutputRecord record;
    std::string path;
  };
  std::vector<Written> stationFiles_;
  std::vector<Written> runFiles_;
  bool inStation_ = false;
  int run_ = 0;
  int notWritten_ = 0;
};

// The kind of an output in upper case, as the console reports name it.
std::string upperKind(std::string_view kind);

}  // namespace kaldero
