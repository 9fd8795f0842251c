// The report's style sheet.
#include "report/html_page.h"

namespace kaldero::html::page {
namespace {

// System fonts only; tables with tabular figures that scroll inside their
// own box, so that the page never scrolls sideways (down to 320 px); the
// summary table of a long run scrolls in a box of its own height with its
// header kept in view; a figure no wider than 510 px, so that its text
// stays smaller than the headings. Print (A4 and Letter): figures one under the other,
// 140 mm wide so that two fit a page, none cut by a page end; table headers
// repeated on every page; tables of numbers three abreast; closed blocks
// (raw concentrations, closed listings and stations) left closed.
constexpr std::string_view kStyle = R"(
:root{--ink:#1c2430;--muted:#5c6675;--rule:#d6dbe2;--band:#f5f7fa;--accent:#1f5f99;
--warn:#8a5300;--stop:#a32626}
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%;text-size-adjust:100%}
body{margin:0 auto;max-width:80rem;padding:1rem 1.5rem 3rem;color:var(--ink);background:#fff;
font:16px/1.45 system-ui,"Segoe UI","Liberation Sans","DejaVu Sans",Arial,sans-serif}
h1{font-size:1.6rem;line-height:1.25;margin:0 0 .25rem;overflow-wrap:anywhere}
h2{font-size:1.3rem;margin:2rem 0 .6rem;padding-bottom:.2rem;border-bottom:2px solid var(--ink);
overflow-wrap:anywhere}
h3{font-size:1.05rem;margin:1.5rem 0 .5rem;overflow-wrap:anywhere}
a{color:var(--accent)}
p,li,dd,figcaption,caption{overflow-wrap:anywhere}
.byline{color:var(--muted);margin:0}
.na{color:var(--muted)}
.sha{font:.78em/1.3 "DejaVu Sans Mono","Liberation Mono",Consolas,monospace;word-break:break-all;
color:var(--muted)}
ul.runs{list-style:none;padding:0;margin:.4rem 0}
ul.runs li{margin:.15rem 0}
p.links{margin:.3rem 0}
.u{display:block;font-weight:normal;color:var(--muted);white-space:nowrap}
table{border-collapse:collapse;font-variant-numeric:tabular-nums}
th,td{padding:.25rem .5rem;border-bottom:1px solid var(--rule);text-align:left;vertical-align:top}
thead th{vertical-align:bottom;border-bottom:2px solid var(--ink);font-size:.9em;background:#fff}
caption{text-align:left;font-weight:600;padding:0 0 .3rem}
.scroll{overflow-x:auto;max-width:100%}
.scroll.tall{max-height:75vh;overflow-y:auto}
.scroll.tall thead th{position:sticky;top:0;z-index:1}
table.summary{width:100%;font-size:.85rem}
table.summary th,table.summary td{padding:.25rem .4rem}
table.summary td{text-align:right;white-space:nowrap}
table.summary td.t{text-align:left;white-space:normal}
table.summary tbody tr:nth-child(even){background:var(--band)}
table.summary tr.run th{background:#e8edf3;font-weight:600}
td.why{color:var(--stop);white-space:pre-line!important;text-align:left!important;min-width:12rem}
.stopped,.notrun{color:var(--stop);font-weight:600}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(21rem,100%),1fr));
gap:1rem 2rem;align-items:start}
table.values{width:100%;font-size:.9rem}
table.values th{font-weight:normal}
table.values td{text-align:right;white-space:nowrap}
table.values td.t{white-space:normal;overflow-wrap:anywhere}
.ci{display:block;font-size:.8rem;color:var(--muted)}
table.values td+td{color:var(--muted);text-align:left;width:1%}
table.fit td{text-align:right;white-space:nowrap}
table.fit td.t{text-align:left;white-space:normal}
table.fit tr.chosen th{font-weight:700}
.stop-box{border-left:4px solid var(--stop);background:#fbf0f0;padding:.5rem 1rem;
white-space:pre-line;overflow-wrap:anywhere}
ul.reports{list-style:none;padding:0}
ul.reports li{border-left:4px solid var(--warn);background:#fdf6ea;padding:.35rem 1rem;
margin:.35rem 0;white-space:pre-line}
ul.reports li.error{border-color:var(--stop);background:#fbf0f0}
ul.reports li.note{border-color:var(--rule);background:var(--band)}
.kind{font-size:.78rem;font-weight:600;text-transform:uppercase;letter-spacing:.04em;
color:var(--muted);margin-right:.5rem}
.figures{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(28rem,100%),1fr));
gap:1.25rem;margin:.75rem 0}
figure.plot{margin:0;min-width:0}
figure.plot svg{display:block;width:100%;max-width:510px;height:auto;border:1px solid var(--rule)}
figure.interval svg{display:block;width:100%;max-width:510px;height:auto}
figcaption{color:var(--muted);font-size:.88rem;margin-top:.3rem}
details>summary{cursor:pointer}
details.station{border-top:2px solid var(--ink);margin-top:1.5rem}
details.station>summary{list-style-position:outside;margin-left:1.2rem}
details.station>summary h2{display:inline;border:0;margin:0;padding:0;font-size:1.25rem}
details.station>summary{padding:.5rem 0}
details.more{margin:.5rem 0}
details.more>summary{color:var(--accent)}
pre.listing{font:.78rem/1.35 "DejaVu Sans Mono","Liberation Mono",Consolas,monospace;
background:var(--band);border:1px solid var(--rule);padding:.75rem;overflow-x:auto;max-width:100%}
ul.files{columns:20rem;padding-left:1.25rem}
ul.files li{overflow-wrap:anywhere}
ul.files .kind{text-transform:none;letter-spacing:0;font-weight:normal;margin:0 0 0 .4rem}
.fit-stats,.note{color:var(--muted);font-size:.9rem}
footer{margin-top:3rem;color:var(--muted);font-size:.85rem;border-top:1px solid var(--rule);
padding-top:.5rem}
@media (max-width:40rem){body{padding:.75rem .75rem 2rem;font-size:15px}
h1{font-size:1.35rem}}
@media print{
@page{margin:12mm}
body{max-width:none;padding:0;font-size:9pt}
a{color:inherit;text-decoration:none}
h2{margin-top:1rem}
h2,h3,caption{break-after:avoid}
.scroll,.scroll.tall{overflow:visible;max-height:none}
.scroll.tall thead th{position:static}
thead{display:table-header-group}
tr,figure.plot,table.values,.stop-box,ul.reports li{break-inside:avoid}
.figures{display:block}
figure.plot{width:100%;max-width:140mm;margin:0 auto 3mm}
details.station{margin-top:6mm}
details.station>summary{margin-left:0;list-style:none}
details.station>summary::-webkit-details-marker{display:none}
details:not([open])>summary{color:var(--muted)}
table.summary{font-size:7.5pt}
pre.listing{font:6.5pt/1.2 "DejaVu Sans Mono","Liberation Mono",Consolas,monospace;
white-space:pre-wrap;overflow:visible;background:none;padding:0;border:0}
.grid{grid-template-columns:repeat(3,minmax(0,1fr));gap:.4rem 1rem}
table.values{font-size:7.5pt}
table.values th,table.values td{padding:.1rem .3rem}
}
)";

}  // namespace

std::string_view styleSheet() { return kStyle; }

}  // namespace kaldero::html::page
