#include "importer/header_options.h"

#include <toml++/toml.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace kaldero::importer {

namespace {

// Names that belong to the command line, with the option that sets them.
const std::map<std::string, std::string> kCommandLineNames = {
    {"time_unit", "--time-unit"},
    {"concentration_unit", "--concentration-unit"},
    {"discharge", "--discharge or --discharge-column"},
    {"discharge_unit", "--discharge-unit"},
    {"distance", "--distance"},
    {"listing", "--listing"},
};

class Reader {
 public:
  Reader(const std::string& path, StationHeader& h) : path_(path), h_(h) {}

  Status read(const toml::table& root);

 private:
  using Handler = std::function<Status(const toml::node&, const std::string&)>;

  Error at(const toml::source_region& r, std::string message) const {
    return Error{path_, static_cast<int64_t>(r.begin.line), static_cast<int64_t>(r.begin.column),
                 std::move(message), ErrorKind::Option};
  }

  // Every key of a table through its handler; an unknown key is an error.
  Status table(const toml::node& node, const std::string& prefix,
               const std::map<std::string, Handler>& handlers) {
    const toml::table* t = node.as_table();
    if (!t) return at(node.source(), "\"" + prefix + "\" must be a table");
    for (auto&& [key, value] : *t) {
      const std::string name(key.str());
      const std::string full = prefix.empty() ? name : prefix + "." + name;
      auto h = handlers.find(name);
      if (h == handlers.end()) {
        auto cl = kCommandLineNames.find(name);
        if (prefix.empty() && cl != kCommandLineNames.end())
          return at(key.source(), "\"" + name + "\" is set on the command line (" + cl->second +
                                      "), not in the header options file");
        std::string known;
        for (const auto& [k, unused] : handlers) known += (known.empty() ? "" : ", ") + k;
        return at(key.source(), "unknown header option \"" + full + "\" (known" +
                                    (prefix.empty() ? "" : " in [" + prefix + "]") + ": " + known +
                                    ")");
      }
      if (auto e = h->second(value, full)) return e;
    }
    return std::nullopt;
  }

  Status boolean(const toml::node& n, const std::string& key, bool& out) {
    if (auto b = n.value_exact<bool>()) {
      out = *b;
      return std::nullopt;
    }
    if (auto i = n.value_exact<int64_t>(); i && (*i == 0 || *i == 1)) {
      out = *i == 1;
      return std::nullopt;
    }
    return at(n.source(), "\"" + key + "\" must be true or false");
  }

  Status number(const toml::node& n, const std::string& key, double& out) {
    std::optional<double> v;
    if (auto i = n.value_exact<int64_t>()) v = static_cast<double>(*i);
    else if (auto d = n.value_exact<double>()) v = *d;
    if (!v) return at(n.source(), "\"" + key + "\" must be a number");
    if (!std::isfinite(*v) || std::fabs(*v) > FLT_MAX)
      return at(n.source(), "\"" + key + "\" is beyond the program's single precision");
    out = *v;
    return std::nullopt;
  }

  Status range(const toml::node& n, const std::string& key, double& out, double low,
               bool lowOpen, double high, const char* rule) {
    if (auto e = number(n, key, out)) return e;
    if ((lowOpen ? out <= low : out < low) || out > high)
      return at(n.source(), "\"" + key + "\" must be " + rule);
    return std::nullopt;
  }

  Status text(const toml::node& n, const std::string& key, std::string& out) {
    if (auto s = n.value_exact<std::string>()) {
      out = *s;
      return std::nullopt;
    }
    return at(n.source(), "\"" + key + "\" must be a string");
  }

  template <class E>
  Status choice(const toml::node& n, const std::string& key,
                std::initializer_list<std::pair<const char*, E>> choices, E& out) {
    std::string s;
    std::string names;
    for (const auto& [name, value] : choices) names += (names.empty() ? "\"" : ", \"") + std::string(name) + "\"";
    if (text(n, key, s)) return at(n.source(), "\"" + key + "\" must be one of " + names);
    for (const auto& [name, value] : choices) {
      if (s == name) {
        out = value;
        return std::nullopt;
      }
    }
    return at(n.source(), "\"" + key + "\" is \"" + s + "\", not one of " + names);
  }

  std::map<std::string, Handler> plotSwitches(PlotSwitches* s) {
    return {
        {"listing", [s, this](auto& n, auto& k) { return boolean(n, k, s->listing); }},
        {"points", [s, this](auto& n, auto& k) { return boolean(n, k, s->points); }},
        {"curve", [s, this](auto& n, auto& k) { return boolean(n, k, s->curve); }},
        {"postscript", [s, this](auto& n, auto& k) { return boolean(n, k, s->postscript); }},
    };
  }

  std::map<std::string, Handler> curveFile(CurveFile* f,
                                           std::optional<toml::source_region>* writeAt) {
    return {
        {"write",
         [f, writeAt, this](auto& n, auto& k) {
           *writeAt = n.source();
           return boolean(n, k, f->write);
         }},
        {"file", [f, this](auto& n, auto& k) { return text(n, k, f->name); }},
    };
  }

  const std::string& path_;
  StationHeader& h_;
};

Status Reader::read(const toml::table& root) {
  StationHeader& h = h_;
  std::optional<toml::source_region> conductivityAt, fissureAt, loadAt, standardizedAt,
      normalizedAt;

  const std::map<std::string, Handler> flow = {
      {"form",
       [&](auto& n, auto& k) {
         return choice<FlowForm>(n, k,
                                 {{"conduit", FlowForm::Conduit},
                                  {"conduit-zone", FlowForm::ConduitZone},
                                  {"porous-zone", FlowForm::PorousZone},
                                  {"fractures", FlowForm::Fractures}},
                                 h.flowForm);
       }},
      {"porosity",
       [&](auto& n, auto& k) {
         double v = 0;
         if (auto e = range(n, k, v, 0, true, 1, "above 0 and at most 1")) return e;
         h.porosity = v;
         return Status{};
       }},
      {"conductivity_unit",
       [&](auto& n, auto& k) -> Status {
         auto i = n.template value_exact<int64_t>();
         if (!i || *i < 0 || *i > 3) return at(n.source(), "\"" + k + "\" must be 0, 1, 2 or 3");
         h.conductivityUnit = static_cast<int>(*i);
         return std::nullopt;
       }},
      {"conductivity",
       [&](auto& n, auto& k) {
         conductivityAt = n.source();
         double v = 0;
         if (auto e = range(n, k, v, 0, false, FLT_MAX, "0 or more")) return e;
         h.conductivity = v;
         return Status{};
       }},
      {"fissure_height",
       [&](auto& n, auto& k) {
         fissureAt = n.source();
         double v = 0;
         if (auto e = range(n, k, v, 0, false, FLT_MAX, "0 or more")) return e;
         h.conductivity = v;
         return Status{};
       }},
  };
  const std::map<std::string, Handler> knots = {
      {"intervals",
       [&](auto& n, auto& k) -> Status {
         auto i = n.template value_exact<int64_t>();
         if (!i || *i < 1 || *i > INT32_MAX)
           return at(n.source(), "\"" + k + "\" must be a whole number of 1 or more");
         h.knotIntervals = *i;
         return std::nullopt;
       }},
      {"file", [&](auto& n, auto& k) { return text(n, k, h.interpolatedName); }},
  };
  const std::map<std::string, Handler> extrapolation = {
      {"method",
       [&](auto& n, auto& k) {
         return choice<Extrapolation>(n, k,
                                      {{"none", Extrapolation::None},
                                       {"exponential", Extrapolation::Exponential},
                                       {"pchip", Extrapolation::Pchip},
                                       {"zero-time", Extrapolation::ZeroTime}},
                                      h.extrapolation);
       }},
  };
  const std::map<std::string, Handler> plots = {
      {"data", [&](auto& n, auto& k) { return table(n, k, plotSwitches(&h.dataPlot)); }},
      {"interpolated",
       [&](auto& n, auto& k) { return table(n, k, plotSwitches(&h.interpolatedPlot)); }},
      {"normalized",
       [&](auto& n, auto& k) { return table(n, k, plotSwitches(&h.normalizedPlot)); }},
      {"load", [&](auto& n, auto& k) { return table(n, k, plotSwitches(&h.loadPlot)); }},
      {"standardized",
       [&](auto& n, auto& k) { return table(n, k, plotSwitches(&h.standardizedPlot)); }},
  };
  const std::map<std::string, Handler> chatwin = {
      {"table_on_screen", [&](auto& n, auto& k) { return boolean(n, k, h.chatwin.tableOnScreen); }},
      {"table_file", [&](auto& n, auto& k) { return boolean(n, k, h.chatwin.tableFile); }},
      {"screen_plot", [&](auto& n, auto& k) { return boolean(n, k, h.chatwin.screenPlot); }},
      {"postscript", [&](auto& n, auto& k) { return boolean(n, k, h.chatwin.postscript); }},
  };
  const std::map<std::string, Handler> cxtfit = {
      {"write", [&](auto& n, auto& k) { return boolean(n, k, h.cxtfit); }},
      {"mass",
       [&](auto& n, auto& k) {
         return choice<CxtfitMass>(
             n, k, {{"injected", CxtfitMass::Injected}, {"recovered", CxtfitMass::Recovered}},
             h.cxtfitMass);
       }},
      {"file", [&](auto& n, auto& k) { return text(n, k, h.cxtfitName); }},
  };
  const std::map<std::string, Handler> top = {
      {"background",
       [&](auto& n, auto& k) {
         double v = 0;
         if (auto e = range(n, k, v, 0, false, FLT_MAX, "0 or more")) return e;
         h.background = v;
         return Status{};
       }},
      {"station_totals", [&](auto& n, auto& k) { return boolean(n, k, h.stationTotals); }},
      {"sinuosity",
       [&](auto& n, auto& k) {
         double v = 0;
         if (auto e = range(n, k, v, 0, true, 1.5, "above 0 and at most 1.5")) return e;
         h.sinuosity = v;
         return Status{};
       }},
      {"screen_echo", [&](auto& n, auto& k) { return boolean(n, k, h.screenEcho); }},
      {"reduction",
       [&](auto& n, auto& k) {
         return choice<Reduction>(n, k,
                                  {{"every-line", Reduction::EveryLine},
                                   {"group-means", Reduction::GroupMeans},
                                   {"every-kth", Reduction::EveryKth}},
                                  h.reduction);
       }},
      {"flow", [&](auto& n, auto& k) { return table(n, k, flow); }},
      {"knots", [&](auto& n, auto& k) { return table(n, k, knots); }},
      {"extrapolation", [&](auto& n, auto& k) { return table(n, k, extrapolation); }},
      {"plots", [&](auto& n, auto& k) { return table(n, k, plots); }},
      {"chatwin", [&](auto& n, auto& k) { return table(n, k, chatwin); }},
      {"cxtfit", [&](auto& n, auto& k) { return table(n, k, cxtfit); }},
      {"normalized", [&](auto& n, auto& k) { return table(n, k, curveFile(&h.normalized, &normalizedAt)); }},
      {"load", [&](auto& n, auto& k) { return table(n, k, curveFile(&h.load, &loadAt)); }},
      {"standardized",
       [&](auto& n, auto& k) { return table(n, k, curveFile(&h.standardized, &standardizedAt)); }},
  };
  if (auto e = table(root, "", top)) return e;

  // Rules between options.
  const bool porous = h.flowForm == FlowForm::PorousZone;
  const bool fractures = h.flowForm == FlowForm::Fractures;
  if (conductivityAt && !porous)
    return at(*conductivityAt, "\"flow.conductivity\" needs flow.form = \"porous-zone\"" +
                                   std::string(fractures ? " (fractures take flow.fissure_height)" : ""));
  if (fissureAt && !fractures)
    return at(*fissureAt, "\"flow.fissure_height\" needs flow.form = \"fractures\"");
  if (h.load.write && !h.normalized.write)
    return at(*loadAt, "\"load.write\" needs the normalized curve file (normalized.write = true)");
  if (h.standardized.write && !h.normalized.write)
    return at(*standardizedAt,
              "\"standardized.write\" needs the normalized curve file (normalized.write = true)");
  return std::nullopt;
}

}  // namespace

Status applyHeaderOptionsText(std::string_view text, const std::string& path, StationHeader& h) {
  toml::table root;
  try {
    root = toml::parse(text, path);
  } catch (const toml::parse_error& e) {
    return Error{path, static_cast<int64_t>(e.source().begin.line),
                 static_cast<int64_t>(e.source().begin.column), std::string(e.description()),
                 ErrorKind::Option};
  }
  StationHeader copy = h;  // h changes only when the whole file is good
  if (auto e = Reader(path, copy).read(root)) return e;
  h = std::move(copy);
  return std::nullopt;
}

Status applyHeaderOptions(const std::string& path, StationHeader& h) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Error{path, 0, 0, "cannot open the header options file", ErrorKind::Option};
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return Error{path, 0, 0, "cannot read the header options file", ErrorKind::Option};
  return applyHeaderOptionsText(s.str(), path, h);
}

}  // namespace kaldero::importer
