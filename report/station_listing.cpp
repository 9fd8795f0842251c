#include "report/station_listing.h"

#include "report/geometry_report.h"
#include "report/notices.h"
#include "report/run_messages.h"

namespace kaldero {

void stopBeforeListing(Console& console, const std::string& stationName50,
                       const StationResults& r) {
  const bool early = r.stoppedAt == AnalysisStage::Arrival || r.stoppedAt == AnalysisStage::Mass ||
                     r.stoppedAt == AnalysisStage::Chatwin;
  if (r.stop && r.stop->kind == AnalysisStop::Kind::NonFinite && early)
    stopNonFinite(console, stationName50, r.stop->quantity);
}

void writeTransportBlocks(const ReportTarget& out, const StationReport& st,
                          const StationResults& r) {
  Console& c = out.console;
  writeMassRecovery(out, st, r);
  if (r.stop && r.stoppedAt == AnalysisStage::Transit) {
    if (r.stop->kind == AnalysisStop::Kind::NoMassRecovered) stopNoMassRecovered(c);
    stopNonFinite(c, st.stationFile, r.stop->quantity);
  }
  writeNotices(c, r.transit->notices);
  writeTransitTimes(out, st, r);
  if (r.stop && r.stoppedAt == AnalysisStage::Transport)
    stopNonFinite(c, st.stationFile, r.stop->quantity);
  writeNotices(c, r.transport->notices);
  writeVelocitiesAndDispersion(out, *r.transport);
}

void writeGeometryBlocks(const ReportTarget& out, const StationReport& st,
                         const StationResults& r) {
  if (r.stop) stopNonFinite(out.console, st.stationFile, r.stop->quantity);
  writeFlowGeometry(out, st.test, *r.geometry);
  writeRecovery(out, *r.recovery);
}

}  // namespace kaldero
