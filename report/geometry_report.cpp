#include "report/geometry_report.h"

#include <string>
#include <vector>

#include "core/file_reports.h"
#include "core/format.h"
#include "core/text.h"
#include "report/listing_lines.h"
#include "report/notices.h"

namespace kaldero {

using lines::g10;
using lines::labelled;

namespace {

// A length also shown in feet when the conductivity unit code is 2.
void feetLine(const ReportTarget& out, const TestDescription& t, float metres,
              std::string_view quantity) {
  if (t.conductivityUnit == ConductivityUnit::Code2)
    out.echoLine(text::blanks(68) + "(" + g10(metres * 3.2808f, quantity) + " ft)");
}

// The volume-integration limit lines of a measured discharge.
void limitLine(const ReportTarget& out, const TestDescription& t, std::string_view label,
               float seconds) {
  if (auto u = lines::timeUnit(t.timeUnit))
    out.echoLine(labelled(16, label, g10(seconds / u->divisor, label), u->unit));
}

// The volume can only be integrated from the release on.
void volumeStartReport(const ReportTarget& out, const AnalysisResults& r) {
  if (r.lowerLimit == 0) return;
  Console::ReportScope report(out.console, ShownReport::Kind::Warning);
  const std::vector<std::string> text{
      "",
      fmt::FreeLine("--------- CANNOT INTEGRATE AQUIFER VOLUME ").text("---------").str(),
      "",
      fmt::FreeLine("AQUIFER VOLUME INTEGRATION REQUIRES THAT THE ")
          .text("TIME-DISCHARGE DATA")
          .str(),
      fmt::FreeLine("FILE BEGIN AT ZERO TIME TO PROPERLY ").text("INTEGRATE VOLUME.").str(),
      ""};
  out.console.line(kStars80);
  out.listing.line(kStars80);
  for (const auto& l : text) out.console.line(l);
  for (const auto& l : text) out.listing.line(l);
  out.console.line(kStars80);
  out.listing.line(kStars80);
}

void volumeIntegrationWarning(const ReportTarget& out, int32_t ierr) {
  Console::ReportScope report(out.console, ShownReport::Kind::Warning);
  Console& c = out.console;
  ListingChannel& l = out.listing;
  const std::string code = fmt::FreeLine("AN ERROR CALLING PCHQA, IERR = ").num(ierr).str();
  auto free = [](std::string_view a, std::string_view b = {}) {
    return fmt::FreeLine(a).text(b).str();
  };
  c.line(kStars80);
  c.empty();
  l.empty();
  c.line(code);
  if (ierr > 0) {
    const std::string cause =
        free("This error occurred because your aquifer ", "retained the tracer for");
    const std::string longer =
        free("a longer period of time than you measured ", "discharge at the spring so");
    const std::string file =
        free("file which may result in an inaccurate ", "volume estimate for your aquifer.");
    c.line(free("This error is a warning - you may continue."));
    c.empty();
    c.line(cause);
    c.line(longer);
    c.line(free("you are forced to integrate beyond the ", "limits of time for your data"));
    c.line(file);
    c.empty();
    c.line(kStars80);
    c.empty();
    l.empty();
    l.line(kStars80);
    l.line(code);
    l.line(free("This error was an warning - you may have", " continued."));
    l.empty();
    l.line(cause);
    l.line(longer);
    l.line(free("you were forced to integrate beyond the ", "limits of time for your data"));
    l.line(file);
    l.empty();
  }
  c.empty();
  l.empty();
  c.line(kStars80);
  l.line(kStars80);
}

// The report of a porosity outside (0, 1] that was reset to 1 (PORRST).
void porosityReset(const ReportTarget& out, const GeometryResults& g) {
  if (!g.porosityReset) return;
  Console::ReportScope report(out.console, ShownReport::Kind::Warning);
  const float n = g.porosityRead;
  out.bothEmpty();
  out.bothLine(text::blanks(16) + "POROSITY" + fmt::F(n * 100.0f, 7, 2) +
               (n > 1.0f ? "% > 100%" : "% <= 0.0%"));
  out.console.empty();
  out.console.free("           POROSITY RESET TO 1.0 (100%)");
  out.console.empty(2);
  out.listing.empty();
  out.listing.line(fmt::FreeLine("             POROSITY RESET TO 100%").str());
  out.listing.empty(2);
}

struct HydraulicLabels {
  std::string_view surface, sorption, headLoss;
};

// Surface area and sorption coefficient, head loss and friction factor, and
// the viscous sublayer of a turbulent flow.
void hydraulicLines(const ReportTarget& out, const HydraulicLabels& label, float S, float ka,
                    const FlowFormHydraulics& hy, bool laminar) {
  out.echoLine(labelled(15, label.surface, g10(S, label.surface), "m^2"));
  out.echoLine(labelled(16, label.sorption, g10(ka, label.sorption), "m"));
  out.echoEmpty();
  out.echoLine(labelled(15, label.headLoss, g10(hy.headLoss, label.headLoss), "m"));
  out.echoLine(
      labelled(16, "Based on a friction factor", g10(hy.friction, "Based on a friction factor")));
  out.echoEmpty(2);
  if (!laminar) {
    out.echoLine(labelled(15, "Viscous-flow sublayer along walls",
                          g10(hy.sublayer, "Viscous-flow sublayer along walls"), "mm"));
    out.echoEmpty(2);
  }
}

void conduitLines(const ReportTarget& out, const TestDescription& t, const AnalysisResults& r) {
  const GeometryResults& g = r.geometry;
  if (!g.described) return;
  const FlowFormHydraulics& hy = r.kept.conduit;
  const float V = r.aquiferVolume;
  const bool totals = on(t.stationTotals);
  out.echoEmpty(3);
  out.echoLine(
      labelled(15, "Flow-channel volume estimate", g10(V, "Flow-channel volume estimate"), "m^3"));
  if (t.dischargeMode == DischargeMode::Measured && totals) {
    limitLine(out, t, "Based on a lower integration limit", r.lowerLimit);
    limitLine(out, t, "and on an upper integration limit", r.upperLimit);
  }
  out.echoEmpty();
  out.echoLine(labelled(15, "Flow-channel cross-sectional area",
                        g10(r.crossSection, "Flow-channel cross-sectional area"), "m^2"));
  out.echoEmpty();
  hydraulicLines(out,
                 {"Flow-channel surface area", "Tracer sorption coefficient (channel)",
                  "Hydraulic head loss along channel"},
                 r.surfaceArea, r.sorption, hy, g.laminar);
  if (totals) {
    out.echoLine(
        labelled(15, "Estimated Reynolds number", g10(hy.reynolds, "Estimated Reynolds number")));
    out.echoLine(labelled(16, "Based on an estimated tube diameter",
                          g10(g.diameter, "Based on an estimated tube diameter"), "m"));
    feetLine(out, t, g.diameter, "Based on an estimated tube diameter");
    if (g.laminar)
      out.echoLine(labelled(16, "and an hydraulic conductivity",
                            g10(g.conduitConductivity, "and an hydraulic conductivity"), "m/s"));
    out.echoEmpty(2);
    out.echoLine(labelled(15, "Estimated Froude number", g10(r.froude, "Estimated Froude number")));
    out.echoLine(labelled(16, "Based on an estimated hydraulic depth",
                          g10(g.depth, "Based on an estimated hydraulic depth"), "m"));
    feetLine(out, t, g.depth, "Based on an estimated hydraulic depth");
  }
  out.echoPause();
}

void porousZoneLines(const ReportTarget& out, const TestDescription& t, const AnalysisResults& r) {
  const FlowFormHydraulics& hy = r.kept.porous;
  const float V = r.aquiferVolume;
  if (V != 0) {
    if (out.echo) out.console.empty(2);
    out.echoEmpty(6);
    out.echoLine(labelled(15, "Transport zone volume estimate",
                          g10(V, "Transport zone volume estimate"), "m^3"));
    out.echoEmpty(4);
  }
  out.echoEmpty();
  out.echoLine(labelled(15, "Transport zone cross-sectional area",
                        g10(r.crossSection, "Transport zone cross-sectional area"), "m^2"));
  out.echoEmpty(4);
  porosityReset(out, r.geometry);
  if (hy.headLoss > 0) {
    out.echoLine(labelled(15, "Hydraulic head loss along channel",
                          g10(hy.headLoss, "Hydraulic head loss along channel"), "m"));
    out.echoEmpty(4);
  }
  if (on(t.stationTotals) && V != 0) {
    out.echoLine(
        labelled(15, "Estimated Reynolds number", g10(hy.reynolds, "Estimated Reynolds number")));
    out.echoEmpty(4);
  }
  out.echoPause();
}

void fractureLines(const ReportTarget& out, const TestDescription& t, const AnalysisResults& r) {
  const GeometryResults& g = r.geometry;
  const FlowFormHydraulics& hy = r.kept.fracture;
  const float V = r.aquiferVolume;
  const bool volume = g.described;
  const float b = g.conductivity;
  const float w = g.width;
  if (volume) {
    out.echoEmpty(6);
    out.echoLine(labelled(15, "Transport zone volume estimate",
                          g10(V, "Transport zone volume estimate"), "m^3"));
    out.echoEmpty();
    out.echoLine(labelled(15, "Transport zone cross-sectional area",
                          g10(r.crossSection, "Transport zone cross-sectional area"), "m^2"));
    out.echoLine(labelled(16, "Based on an estimated fissure height",
                          g10(b, "Based on an estimated fissure height"), "m"));
    out.echoEmpty();
  }
  porosityReset(out, g);
  if (volume) {
    hydraulicLines(out,
                   {"Transport zone surface area", "Tracer sorption coefficient (aquifer)",
                    "Hydraulic head loss along fracture(s)"},
                   r.surfaceArea, r.sorption, hy, g.laminar);
    out.echoLine(
        labelled(15, "Estimated Reynolds number", g10(hy.reynolds, "Estimated Reynolds number")));
    // This line has its own spacing: 16 blanks after the label put the
    // number one column further right than on the other lines.
    out.echoLine(text::blanks(16) + "Based on an estimated transport width" + text::blanks(16) +
                 g10(w, "Based on an estimated transport width") + "m");
    feetLine(out, t, w, "Based on an estimated transport width");
    if (g.laminar) {
      out.echoLine(labelled(16, "and an hydraulic conductivity",
                            g10(g.fractureConductivity, "and an hydraulic conductivity"), "m/s"));
      out.echoEmpty(2);
    }
  }
  if (b != 0) {
    out.echoEmpty(2);
    out.echoLine(labelled(15, "Estimated Froude number", g10(r.froude, "Estimated Froude number")));
  }
  if (volume) {
    out.echoLine(labelled(16, "Based on an estimated hydraulic depth",
                          g10(b, "Based on an estimated hydraulic depth"), "m"));
    feetLine(out, t, b, "Based on an estimated hydraulic depth");
  }
  out.echoPause();
}

void massTransferLines(const ReportTarget& out, const TestDescription& t,
                       const AnalysisResults& r) {
  const bool porous = t.geometry == FlowForm::PorousZone;
  out.echoEmpty(3);
  out.echoLine(text::blanks(15) + "Molecular mass transport parameters");
  if (!porous) {
    out.echoEmpty(2);
    out.echoLine(labelled(16, "Shear velocity", g10(r.geometry.shearVelocity, "Shear velocity"),
                          "m/s"));
  }
  out.echoEmpty(2);
  out.echoLine(
      labelled(16, "Estimated Schmidt number", g10(r.schmidt, "Estimated Schmidt number")));
  out.echoEmpty(2);
  out.echoLine(
      labelled(16, "Estimated Sherwood number", g10(r.sherwood, "Estimated Sherwood number")));
  if (!porous) {
    out.echoEmpty(2);
    out.echoLine(labelled(16, "Mass transfer coef. from wall to flow",
                          g10(r.massTransfer, "Mass transfer coef. from wall to flow"), "m/s"));
    out.echoEmpty(2);
    out.echoLine(labelled(
        16, "Molecular diffusion layer thickness",
        g10(r.kept.diffusionLayer * 1000.0f, "Molecular diffusion layer thickness"), "mm"));
  }
}

}  // namespace

void writeFlowGeometry(const ReportTarget& out, const TestDescription& t, const StationSetup&,
                       const AnalysisResults& r) {
  const GeometryResults& g = r.geometry;
  if (g.startsAfterRelease) {
    volumeStartReport(out, r);
    if (g.endedAtStart) {
      out.echoPause();
      return;
    }
  }
  writeNotices(out.console, g.volumeNotices);
  if (g.volumeCode != 0) {
    volumeIntegrationWarning(out, g.volumeCode);
    out.echoPause();
  }
  switch (t.geometry) {
    case FlowForm::Conduit:
    case FlowForm::ConduitZone: conduitLines(out, t, r); break;
    case FlowForm::PorousZone:
      if (g.noFlowForm) return;
      porousZoneLines(out, t, r);
      break;
    case FlowForm::Fractures: fractureLines(out, t, r); break;
    default: break;
  }
  if (g.massTransfer) massTransferLines(out, t, r);
  if (on(t.normalizedOption)) return;
  out.bothEmpty();
  out.echoPause();
}

}  // namespace kaldero
