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

// A length, and the same in feet on its own line when the header asks.
void lengthLines(const ReportTarget& out, std::string_view label, const Length& l) {
  out.echoLine(labelled(16, label, g10(l.metres), "m"));
  if (l.feet) out.echoLine(text::blanks(68) + "(" + g10(*l.feet) + " ft)");
}

// The volume-integration limit lines of a measured discharge.
void limitLine(const ReportTarget& out, const TestDescription& t, std::string_view label,
               float seconds) {
  if (auto u = lines::timeUnit(t.timeUnit))
    out.echoLine(labelled(16, label, g10(seconds / u->divisor), u->unit));
}

// The volume can only be integrated from the release on.
void volumeStartReport(const ReportTarget& out, const FlowGeometry& g) {
  if (g.volumeLimits.lower == 0) return;
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
void porosityReset(const ReportTarget& out, const FlowGeometry& g) {
  if (!g.porosityReset) return;
  Console::ReportScope report(out.console, ShownReport::Kind::Warning);
  const PorosityReset& p = *g.porosityReset;
  out.bothEmpty();
  out.bothLine(text::blanks(16) + "POROSITY" + fmt::F(p.percent, 7, 2) +
               (p.read > 1.0f ? "% > 100%" : "% <= 0.0%"));
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
                    float headLoss, float friction, const std::optional<float>& sublayer) {
  out.echoLine(labelled(15, label.surface, g10(S), "m^2"));
  out.echoLine(labelled(16, label.sorption, g10(ka), "m"));
  out.echoEmpty();
  out.echoLine(labelled(15, label.headLoss, g10(headLoss), "m"));
  out.echoLine(labelled(16, "Based on a friction factor", g10(friction)));
  out.echoEmpty(2);
  if (sublayer) {
    out.echoLine(labelled(15, "Viscous-flow sublayer along walls", g10(*sublayer), "mm"));
    out.echoEmpty(2);
  }
}

void conduitLines(const ReportTarget& out, const TestDescription& t, const ConduitForm& c) {
  out.echoEmpty(3);
  out.echoLine(labelled(15, "Flow-channel volume estimate", g10(c.volume), "m^3"));
  if (c.volumeLimits) {
    limitLine(out, t, "Based on a lower integration limit", c.volumeLimits->lower);
    limitLine(out, t, "and on an upper integration limit", c.volumeLimits->upper);
  }
  out.echoEmpty();
  out.echoLine(labelled(15, "Flow-channel cross-sectional area", g10(c.crossSection), "m^2"));
  out.echoEmpty();
  hydraulicLines(out,
                 {"Flow-channel surface area", "Tracer sorption coefficient (channel)",
                  "Hydraulic head loss along channel"},
                 c.surfaceArea, c.sorption, c.headLoss, c.friction, c.sublayer);
  if (c.totals) {
    const ConduitForm::Totals& m = *c.totals;
    out.echoLine(labelled(15, "Estimated Reynolds number", g10(m.reynolds)));
    lengthLines(out, "Based on an estimated tube diameter", m.diameter);
    if (m.conductivity)
      out.echoLine(labelled(16, "and an hydraulic conductivity", g10(*m.conductivity), "m/s"));
    out.echoEmpty(2);
    out.echoLine(labelled(15, "Estimated Froude number", g10(m.froude)));
    lengthLines(out, "Based on an estimated hydraulic depth", m.depth);
  }
}

void porousZoneLines(const ReportTarget& out, const FlowGeometry& g, const PorousForm& p) {
  if (p.volume) {
    if (out.echo) out.console.empty(2);
    out.echoEmpty(6);
    out.echoLine(labelled(15, "Transport zone volume estimate", g10(*p.volume), "m^3"));
    out.echoEmpty(4);
  }
  out.echoEmpty();
  out.echoLine(labelled(15, "Transport zone cross-sectional area", g10(p.crossSection), "m^2"));
  out.echoEmpty(4);
  porosityReset(out, g);
  if (p.headLoss) {
    out.echoLine(labelled(15, "Hydraulic head loss along channel", g10(p.headLoss->value), "m"));
    out.echoEmpty(4);
  }
  if (p.reynolds) {
    out.echoLine(labelled(15, "Estimated Reynolds number", g10(p.reynolds->value)));
    out.echoEmpty(4);
  }
}

void fractureLines(const ReportTarget& out, const FlowGeometry& g, const FractureForm& f) {
  if (const auto& d = f.described) {
    out.echoEmpty(6);
    out.echoLine(labelled(15, "Transport zone volume estimate", g10(d->volume), "m^3"));
    out.echoEmpty();
    out.echoLine(labelled(15, "Transport zone cross-sectional area", g10(d->crossSection), "m^2"));
    out.echoLine(labelled(16, "Based on an estimated fissure height", g10(d->fissureHeight), "m"));
    out.echoEmpty();
  }
  porosityReset(out, g);
  if (const auto& d = f.described) {
    hydraulicLines(out,
                   {"Transport zone surface area", "Tracer sorption coefficient (aquifer)",
                    "Hydraulic head loss along fracture(s)"},
                   d->surfaceArea, d->sorption, d->headLoss, d->friction, d->sublayer);
    out.echoLine(labelled(15, "Estimated Reynolds number", g10(d->reynolds)));
    // This line has its own spacing: 16 blanks after the label put the
    // number one column further right than on the other lines.
    out.echoLine(text::blanks(16) + "Based on an estimated transport width" + text::blanks(16) +
                 g10(d->width.metres) + "m");
    if (d->width.feet) out.echoLine(text::blanks(68) + "(" + g10(*d->width.feet) + " ft)");
    if (d->conductivity) {
      out.echoLine(labelled(16, "and an hydraulic conductivity", g10(*d->conductivity), "m/s"));
      out.echoEmpty(2);
    }
  }
  if (f.froude) {
    out.echoEmpty(2);
    out.echoLine(labelled(15, "Estimated Froude number", g10(*f.froude)));
  }
  if (const auto& d = f.described) lengthLines(out, "Based on an estimated hydraulic depth", d->depth);
}

void massTransferLines(const ReportTarget& out, const MassTransfer& m) {
  out.echoEmpty(3);
  out.echoLine(text::blanks(15) + "Molecular mass transport parameters");
  if (m.shearVelocity) {
    out.echoEmpty(2);
    out.echoLine(labelled(16, "Shear velocity", g10(m.shearVelocity->value), "m/s"));
  }
  out.echoEmpty(2);
  out.echoLine(labelled(16, "Estimated Schmidt number", g10(m.schmidt)));
  out.echoEmpty(2);
  out.echoLine(labelled(16, "Estimated Sherwood number", g10(m.sherwood)));
  if (m.coefficient) {
    out.echoEmpty(2);
    out.echoLine(labelled(16, "Mass transfer coef. from wall to flow", g10(*m.coefficient), "m/s"));
  }
  if (m.diffusionLayer) {
    out.echoEmpty(2);
    out.echoLine(
        labelled(16, "Molecular diffusion layer thickness", g10(m.diffusionLayer->value), "mm"));
  }
}

}  // namespace

void writeFlowGeometry(const ReportTarget& out, const TestDescription& t, const FlowGeometry& g) {
  if (g.startsAfterRelease) {
    volumeStartReport(out, g);
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
  if (g.noFlowForm) return;
  if (g.conduit) conduitLines(out, t, *g.conduit);
  if (g.porous) porousZoneLines(out, g, *g.porous);
  if (g.fractures) fractureLines(out, g, *g.fractures);
  // The lines of a flow form end with a pause (a conduit without a volume
  // has none).
  if (g.conduit || g.porous || g.fractures) out.echoPause();
  if (g.massTransfer) massTransferLines(out, *g.massTransfer);
  if (on(t.normalizedOption)) return;
  out.bothEmpty();
  out.echoPause();
}

}  // namespace kaldero
