#include "core/output_gate.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/console.h"
#include "core/file_reports.h"
#include "core/scratch_files.h"

namespace kaldero {

namespace fs = std::filesystem;

namespace {

std::optional<std::pair<unsigned long long, unsigned long long>> identity(const std::string& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(static_cast<unsigned long long>(st.st_dev),
                        static_cast<unsigned long long>(st.st_ino));
}

}  // namespace

std::string upperKind(std::string_view kind) {
  std::string out(kind);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void OutputGate::addInput(const std::string& path, std::string_view kind) {
  for (auto& [set, k] : inputs_) {
    if (k == kind) {
      set.add(path);
      return;
    }
  }
  inputs_.emplace_back(FileSet{}, std::string(kind));
  inputs_.back().first.add(path);
}

const OutputGate::Claim* OutputGate::claimOf(const std::string& name) const {
  if (const auto id = identity(name)) {
    const auto it = ids_.find(*id);
    if (it != ids_.end()) return &claims_.at(it->second);
  }
  const auto it = claims_.find(normalizedPath(name));
  return it == claims_.end() ? nullptr : &it->second;
}

void OutputGate::claim(const OutputRecord& f, bool written) {
  const std::string path = normalizedPath(f.name);
  Claim& c = claims_[path];
  c.record = f;
  c.written = c.written || written;
  c.station = inStation_;
  c.run = run_;
  if (inStation_) stationClaims_.push_back(path);
  if (written)
    if (const auto id = identity(f.name)) ids_[*id] = path;
}

std::optional<std::string> OutputGate::planStation(const std::vector<OutputRecord>& planned) {
  endStation();
  inStation_ = true;
  std::optional<std::string> listing;
  for (std::size_t i = 0; i < planned.size(); ++i) {
    const OutputRecord& f = planned[i];
    if (f.name.empty()) continue;
    const std::optional<std::string> why = refusal(f);
    if (i == 0 && why) listing = why;
    // A results listing that another output of the station would replace,
    // or that would replace it, is refused as well.
    if (i > 0 && !listing && !planned.empty() && sameFile(f.name, planned[0].name))
      listing = "THAT NAME IS ALSO THE " + upperKind(f.kind) + " " + f.name + " OF THIS STATION";
    // The first claim of a name keeps it.
    if (!why && !claimOf(f.name)) claim(f, false);
  }
  return listing;
}

void OutputGate::endStation() {
  // The station's planned names that it never wrote are free again.
  for (const std::string& path : stationClaims_) {
    const auto it = claims_.find(path);
    if (it == claims_.end()) continue;  // listed twice, already dropped
    if (it->second.station && !it->second.written)
      claims_.erase(it);
    else
      it->second.station = false;
  }
  stationClaims_.clear();
  stationFiles_.clear();
  inStation_ = false;
}

std::optional<std::string> OutputGate::refusal(const OutputRecord& f) const {
  for (const auto& [set, kind] : inputs_)
    if (set.contains(f.name))
      return kind == "control file" ? "IT WOULD REPLACE THE CONTROL FILE"
                                    : "IT WOULD REPLACE A " + upperKind(kind) + " OF THE RUN";
  const Claim* c = claimOf(f.name);
  if (!c) return std::nullopt;
  // The same output again (a listing reopened to append the run totals,
  // a planned file now written); a run's file of the same kind as one an
  // earlier run wrote is another file.
  const bool same = c->station == inStation_ && c->record.kind == f.kind &&
                    c->record.format == f.format && c->run == run_;
  if (same) return std::nullopt;
  const std::string other = upperKind(c->record.kind) + " " + c->record.name;
  if (!c->written) return "THAT NAME IS ALSO THE " + other + " OF THIS STATION";
  return "IT WOULD REPLACE THE " + other + (c->station ? " OF THIS STATION" : " OF THE RUN");
}

void OutputGate::recordWritten(const OutputRecord& f) {
  std::vector<Written>& list = inStation_ ? stationFiles_ : runFiles_;
  const std::string path = normalizedPath(f.name);
  const bool listed =
      std::any_of(list.begin(), list.end(), [&](const Written& w) { return w.path == path; });
  if (!listed) list.push_back({f, path});
}

void OutputGate::reportRefusal(const OutputRecord& f, const std::string& reason) {
  Console::ReportScope report(console_, ShownReport::Kind::Warning);
  console_.free(fmt::FreeLine("THE ")
                    .text(upperKind(f.kind))
                    .text(" ")
                    .text(f.name)
                    .text(" IS NOT WRITTEN: ")
                    .text(reason));
  ++notWritten_;
}

void OutputGate::reportFailure(const OutputRecord& f, const WriteOutcome& outcome) {
  reportFileNotWritten(console_, upperKind(f.kind), f.name, outcome);
  ++notWritten_;
}

bool OutputGate::writeText(const OutputRecord& f, std::string_view text) {
  CheckedFile file;
  if (!open(file, f)) return false;
  file.write(text);
  return close(file, f);
}

bool OutputGate::writeLines(const OutputRecord& f, const std::vector<std::string>& lines) {
  CheckedFile file;
  if (!open(file, f)) return false;
  for (const std::string& l : lines) file.line(l);
  return close(file, f);
}

bool OutputGate::writeRequired(const OutputRecord& f, const std::vector<std::string>& lines) {
  if (refusal(f)) {
    writeLines(f, lines);
    return true;
  }
  CheckedFile file;
  if (!open(file, f, CheckedFile::Mode::Replace, true)) return false;
  for (const std::string& l : lines) file.line(l);
  close(file, f);
  return true;
}

bool OutputGate::open(CheckedFile& file, const OutputRecord& f, CheckedFile::Mode mode,
                      bool quiet) {
  if (const std::optional<std::string> why = refusal(f)) {
    if (!quiet) reportRefusal(f, *why);
    return false;
  }
  if (!file.open(f.name, mode)) {
    if (!quiet) reportFailure(f, {WriteOutcome::Status::NotCreated, file.error()});
    return false;
  }
  claim(f, true);
  // A file that reports its own failures (the results listing) is the
  // station's as far as it was written.
  if (quiet) recordWritten(f);
  return true;
}

bool OutputGate::close(CheckedFile& file, const OutputRecord& f, bool quiet) {
  if (!file.close()) {
    if (quiet) return false;
    // A regular file cut short (a full disk) is removed rather than left
    // to be taken for a whole one later; a device or a link stays.
    std::string why = file.error();
    struct stat st {};
    std::error_code ec;
    if (::lstat(f.name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && fs::remove(f.name, ec))
      why += " (THE INCOMPLETE FILE IS REMOVED)";
    reportFailure(f, {WriteOutcome::Status::Incomplete, why});
    return false;
  }
  recordWritten(f);
  return true;
}

std::optional<std::string> OutputGate::scratchFile(std::string_view extension) {
  // The process id in the name lets a later run remove the file should
  // this one be killed before it is kept (core/scratch_files.h).
  std::string name = "." + scratchTag() + "XXXXXX." + std::string(extension);
  const int fd = mkstemps(name.data(), static_cast<int>(extension.size()) + 1);
  if (fd < 0) {
    Console::ReportScope report(console_, ShownReport::Kind::Warning);
    console_.free("CANNOT CREATE A PLOT FILE IN THE WORKING DIRECTORY; PLOT NOT WRITTEN");
    ++notWritten_;
    return std::nullopt;
  }
  // The file is kept under its final name: give it the permissions of any
  // other output file rather than the private ones of a scratch file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  ::close(fd);
  return name;
}

bool OutputGate::keep(const std::string& scratch, const OutputRecord& f, bool complete) {
  std::error_code ec;
  if (const std::optional<std::string> why = refusal(f)) {
    fs::remove(scratch, ec);
    reportRefusal(f, *why);
    return false;
  }
  if (!complete) {
    fs::remove(scratch, ec);
    reportFailure(f, {WriteOutcome::Status::Incomplete, "THE FIGURE IS NOT KEPT"});
    return false;
  }
  fs::rename(scratch, f.name, ec);
  if (ec) {
    // The target may lie on another file system: copy, then drop the
    // scratch file.
    ec.clear();
    fs::copy_file(scratch, f.name, fs::copy_options::overwrite_existing, ec);
  }
  std::error_code ignored;
  fs::remove(scratch, ignored);
  if (ec) {
    reportFailure(f, {WriteOutcome::Status::NotCreated, ec.message()});
    return false;
  }
  claim(f, true);
  recordWritten(f);
  return true;
}

void OutputGate::discard(const std::string& scratch, std::string_view why) {
  std::error_code ec;
  fs::remove(scratch, ec);
  Console::ReportScope report(console_, ShownReport::Kind::Warning);
  console_.free(why);
  ++notWritten_;
}

void OutputGate::incomplete(const std::string& name) {
  const std::string path = normalizedPath(name);
  std::erase_if(stationFiles_, [&](const Written& w) { return w.path == path; });
  std::erase_if(runFiles_, [&](const Written& w) { return w.path == path; });
}

std::vector<OutputRecord> OutputGate::takeStationFiles() {
  std::vector<OutputRecord> out;
  for (Written& w : stationFiles_) out.push_back(std::move(w.record));
  stationFiles_.clear();
  return out;
}

std::vector<OutputRecord> OutputGate::runFiles() const {
  std::vector<OutputRecord> out;
  for (const Written& w : runFiles_) out.push_back(w.record);
  return out;
}

}  // namespace kaldero
