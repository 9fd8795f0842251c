#include "print/cups_service.h"

#include <cups/cups.h>

#include <string>

#include "print/printing.h"

namespace kaldero::printing {

namespace {

std::string destName(const cups_dest_t& d) {
  std::string name = d.name;
  if (d.instance) name += std::string("/") + d.instance;
  return name;
}

// Hundredths of millimetres in points.
float points(int hundredthsMm) { return static_cast<float>(hundredthsMm) * 72.0f / 2540.0f; }

// Destination details of the default connection, freed on leaving.
class DestInfo {
 public:
  explicit DestInfo(cups_dest_t* d) : info_(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d)) {}
  ~DestInfo() { cupsFreeDestInfo(info_); }
  DestInfo(const DestInfo&) = delete;
  DestInfo& operator=(const DestInfo&) = delete;
  cups_dinfo_t* get() const { return info_; }

 private:
  cups_dinfo_t* info_;
};

}  // namespace

CupsPrintService::CupsPrintService(const std::string& server) {
  if (!server.empty()) cupsSetServer(server.c_str());
}

CupsPrintService::~CupsPrintService() { cupsFreeDests(numDests_, dests_); }

PrinterList CupsPrintService::printers() {
  cupsFreeDests(numDests_, dests_);
  dests_ = nullptr;
  numDests_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_);
  PrinterList list;
  if (numDests_ == 0) {
    const ipp_status_t e = cupsLastError();
    list.serverReachable = e != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE &&
                           e != IPP_STATUS_ERROR_INTERNAL;
  }
  for (int i = 0; i < numDests_; ++i)
    list.printers.push_back({destName(dests_[i]), dests_[i].is_default != 0});
  return list;
}

cups_dest_t* CupsPrintService::find(const Printer& p) {
  for (int i = 0; i < numDests_; ++i)
    if (destName(dests_[i]) == p.name) return &dests_[i];
  return nullptr;
}

std::optional<Paper> CupsPrintService::paper(const Printer& p) {
  cups_dest_t* d = find(p);
  if (!d) return std::nullopt;
  DestInfo info(d);
  if (!info.get()) return std::nullopt;
  // The paper the printer itself prints on: the media saved with the
  // destination by the user, else the printer's own default media. The
  // spooler's general default (Letter in many places) is only the last
  // resort: a page laid out for other paper is scaled when it is printed.
  std::string media;
  if (const char* saved = cupsGetOption("media", d->num_options, d->options)) media = saved;
  if (media.empty()) {
    if (ipp_attribute_t* a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d, info.get(), "media")) {
      if (const char* name = ippGetString(a, 0, nullptr)) media = name;
    }
  }
  cups_size_t size{};
  const bool known =
      (!media.empty() && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, d, info.get(), media.c_str(),
                                                CUPS_MEDIA_FLAGS_DEFAULT, &size)) ||
      cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, d, info.get(), CUPS_MEDIA_FLAGS_DEFAULT, &size);
  if (!known || size.width <= 0 || size.length <= 0) return std::nullopt;
  Paper paper;
  paper.width = points(size.width);
  paper.height = points(size.length);
  paper.left = points(size.left);
  paper.right = points(size.right);
  paper.top = points(size.top);
  paper.bottom = points(size.bottom);
  return paper;
}

JobResult CupsPrintService::submit(const Printer& p, const std::string& jobName,
                                   const std::string& pdf, const JobOptions& options) {
  JobResult r;
  cups_dest_t* d = find(p);
  if (!d) {
    r.stage = JobResult::Stage::NotStarted;
    r.code = IPP_STATUS_ERROR_NOT_FOUND;
    return r;
  }
  DestInfo info(d);
  // The instance's saved options, then the caller's.
  cups_option_t* opts = nullptr;
  int numOpts = 0;
  for (int i = 0; i < d->num_options; ++i)
    numOpts = cupsAddOption(d->options[i].name, d->options[i].value, numOpts, &opts);
  if (options.copies)
    numOpts = cupsAddIntegerOption(CUPS_COPIES, *options.copies, numOpts, &opts);

  int job = 0;
  const ipp_status_t created =
      info.get() ? cupsCreateDestJob(CUPS_HTTP_DEFAULT, d, info.get(), &job, jobName.c_str(),
                                     numOpts, opts)
                 : cupsLastError();
  cupsFreeOptions(numOpts, opts);
  if (created > IPP_STATUS_OK_EVENTS_COMPLETE || job <= 0) {
    r.stage = JobResult::Stage::NotStarted;
    r.code = created != IPP_STATUS_OK ? created : cupsLastError();
    return r;
  }
  r.job = job;
  const bool started =
      cupsStartDestDocument(CUPS_HTTP_DEFAULT, d, info.get(), job, jobName.c_str(),
                            CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
  const bool sent = started && cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(),
                                                    pdf.size()) == HTTP_STATUS_CONTINUE;
  // A started document is finished even when writing failed: that reads the
  // server's answer and leaves the connection ready for the next request.
  const ipp_status_t finished =
      started ? cupsFinishDestDocument(CUPS_HTTP_DEFAULT, d, info.get()) : cupsLastError();
  if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
    r.stage = JobResult::Stage::NotSent;
    r.code = cupsLastError();
    cupsCancelDestJob(CUPS_HTTP_DEFAULT, d, job);
  }
  return r;
}

int32_t printListing(Console& c, ListingChannel& listing, const PrintSettings& settings) {
  CupsPrintService cups;
  return printListing(c, listing, settings, cups);
}

}  // namespace kaldero::printing
