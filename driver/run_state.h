// What the run keeps from start to end, and what one station holds while
// it is processed. Nothing of a station survives into the next except what
// the run state names: the values the listings carry over, the run sums and
// the record of the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/station_fit.h"
#include "core/console.h"
#include "core/listing_channel.h"
#include "core/output_gate.h"
#include "core/text.h"
#include "driver/run_driver.h"
#include "input/control_file.h"
#include "input/data_reduction.h"
#include "input/station_file.h"
#include "model/control.h"
#include "model/curve.h"
#include "model/measured_record.h"
#include "model/flow_path_fit.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/test_description.h"
#include "plot/plot_state.h"
#include "report/run_record.h"

namespace kaldero {

// What every run of one call shares: the console, the options, the output
// gate (no output of any run replaces an input or output of another) and
// the graphics devices.
struct Session {
  Session(Console& c, const RunOptions& o) : console(c), options(o), gate(c) {}

  Console& console;
  const RunOptions& options;
  OutputGate gate;
  plot::PlotState plots;
};

// One run: one control file and its stations.
struct RunState {
  explicit RunState(Session& session)
      : console(session.console), options(session.options), gate(session.gate),
        plots(session.plots) {}

  Console& console;
  const RunOptions& options;
  OutputGate& gate;  // every output file goes through it
  plot::PlotState& plots;  // graphics devices and what the plots keep
  ControlFile controlFile;
  ControlValues control;  // the control file as read
  ReleaseSetup release;   // the release as the analyses use it
  ListingChannel listing;
  CarriedResults carried;  // the values the listings carry from station to station
  RunSums sums;            // the run totals so far
  RunRecord record;        // every station's record, for the results files
  int32_t stationCounter = 0;
  // With --fit-reaches: what the reach fits take of each station fitted.
  struct ReachStation {
    std::string name;
    ReachEnd end;
    // Its own fit and what it was given (the samples' spans not kept: they
    // are those of end.samples), for the joint fit.
    FlowPathFitInput input;
    FlowPathFitResult fit;
  };
  std::vector<ReachStation> reachStations;
};

// The run files the gate records while write runs (not a station's),
// named as the call knows them.
template <class Write>
std::vector<OutputRecord> runFilesWritten(RunState& s, Write&& write) {
  const std::size_t before = s.gate.runFiles().size();
  write();
  const std::vector<OutputRecord> written = s.gate.runFiles();
  std::vector<OutputRecord> out;
  for (std::size_t i = before; i < written.size(); ++i)
    out.push_back(asCalled(s.record.folder, written[i]));
  return out;
}

// One station while it is processed.
struct Station {
  std::string name50 = text::padded("");  // station data file name
  StationFile file;
  TestDescription test;                    // the header as read
  StationSetup setup;                      // internal units and the knot decision
  DataPassFacts facts;                     // knot spacing, equal discharges
  ReductionDecision reduction;             // samples to make, reduction factor and mode
  MeasuredRecord record;                   // every data line as read, signed
  // The data pass with any extrapolated tail, and the knot curve when it
  // replaced the measured one: their samples become the conditioned curve
  // (background subtracted, internal units), which every step after takes.
  MeasuredCurve measured;
  TailFit tail;
  std::optional<Curve> knots;
  // The time of the last measured sample (file units) when a tail was
  // extrapolated after it.
  std::optional<float> lastMeasuredTime;
  Curve conditioned;
  StationResults results;
  std::optional<FlowPathFitResult> fit;

  // 0 while the measured curve is analysed, 1 the knot curve.
  int32_t phase() const { return knots ? 1 : 0; }
};

}  // namespace kaldero
