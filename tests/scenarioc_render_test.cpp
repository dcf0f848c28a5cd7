// scenarioc render run in-process on compiled scenarios: the picture is
// checked with an XML parser (python3's xml.etree, the one XML parser CI
// machines have without a build dependency), its marks are counted against
// the cell file, damaged files give no picture, and the longest line stays
// a small document. The Windows run has no python3: there the checks of the
// picture's content are skipped, and the rest runs.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "format/compiled_files_reader.h"
#include "in_process.h"
#include "large_scenario.h"
#include "model/version.h"
#include "render/scene.h"
#include "render/svg.h"
#include "test_support.h"

#if defined(_WIN32)
#define NEEDS_XML_PARSER() GTEST_SKIP() << "the XML parser is python3's, which runs on Linux only"
#else
#define NEEDS_XML_PARSER() static_cast<void>(0)
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::in_dir;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::scenarioc;
using testing_support::TempDir;
using testing_support::ToolRun;
using testing_support::write_bytes;

const std::string linea_dat = "Belvara_Quintosa_linea.dat";
const std::string sim = "Belvara_Quintosa_254.sim";
const std::string dat = "Belvara_Quintosa_254.dat";
const std::string svg_predefinito = "Belvara_Quintosa_254.svg";

std::string q(const std::string& s) { return "'" + s + "'"; }
std::string q(const fs::path& p) { return q(p.string()); }

// The embedded scenario compiled once; each test works on its own copy.
const fs::path& compilato() {
  static TempDir dir;
  static const bool fatto = [] {
    EXPECT_EQ(scenarioc({"texts", dir.str()}).status, 0);
    const ToolRun e = scenarioc({"compile", dir.str()});
    EXPECT_EQ(e.status, 0) << e.err;
    return true;
  }();
  (void)fatto;
  return dir.path();
}

void copia_compilati(const fs::path& a) {
  for (const std::string& n : {linea_dat, sim, dat}) fs::copy_file(compilato() / n, a / n);
}

// What the XML parser found in a picture: element ids, each class token
// with the id of the innermost group around it, each text with its group,
// anything that reaches outside the document, and the plan track's points.
struct Svg {
  std::set<std::string> id;
  std::multimap<std::string, std::string> classe;  // class -> group
  std::multimap<std::string, std::string> testi;   // group -> text
  std::vector<std::string> esterni;
  long punti_traccia = -1;

  std::size_t conta(const std::string& c) const { return classe.count(c); }
  std::vector<std::string> testi_in(const std::string& gruppo) const {
    std::vector<std::string> v;
    for (auto [it, fine] = testi.equal_range(gruppo); it != fine; ++it) v.push_back(it->second);
    return v;
  }
  bool ha_testo(const std::string& gruppo, const std::string& t) const {
    for (const std::string& s : testi_in(gruppo))
      if (s.find(t) != std::string::npos) return true;
    return false;
  }
};

constexpr const char* analizzatore = R"PY(
import sys, re, xml.etree.ElementTree as ET
NS = '{http://www.w3.org/2000/svg}'
try:
    root = ET.parse(sys.argv[1]).getroot()
except ET.ParseError as e:
    sys.stderr.write('not well-formed: %s\n' % e)
    sys.exit(3)
out = open(sys.argv[2], 'w', encoding='utf-8')
if root.tag != NS + 'svg':
    out.write('external root %s\n' % root.tag)
def walk(el, group):
    tag = el.tag[len(NS):] if el.tag.startswith(NS) else None
    if tag is None or tag in ('script', 'foreignObject', 'image', 'a', 'iframe'):
        out.write('external element %s\n' % el.tag)
    for k, v in el.attrib.items():
        if k.endswith('href') and not v.startswith('#'):
            out.write('external href %s\n' % v)
        if k.startswith('on'):
            out.write('external handler %s\n' % k)
    if tag == 'style' and re.search(r'@import|url\((?!#)', el.text or ''):
        out.write('external style\n')
    if el.get('id'):
        out.write('id %s\n' % el.get('id'))
        if tag == 'g':
            group = el.get('id')
    for c in (el.get('class') or '').split():
        out.write('class %s %s\n' % (c, group))
    if tag == 'text':
        out.write('text %s %s\n' % (group, ''.join(el.itertext()).replace('\n', ' ')))
    if 'track' in (el.get('class') or '').split():
        out.write('track %d\n' % (len(re.findall(r'-?[0-9.]+', el.get('d'))) // 2))
    for c in el:
        walk(c, group)
walk(root, '-')
)PY";

Svg parse_svg(const fs::path& file) {
  TempDir dir;
  write_bytes(dir / "check.py", analizzatore);
  const int status = run_command("python3 " + q(dir / "check.py") + " " + q(file) + " " + q(dir / "out") +
                                 " 2> " + q(dir / "err"));
  Svg s;
  if (status != 0) {
    ADD_FAILURE() << file << ": the XML parser refused it (python3 exit " << status << ", 127: no python3): "
                  << read_bytes(dir / "err");
    return s;
  }
  std::istringstream in(read_bytes(dir / "out"));
  for (std::string riga; std::getline(in, riga);) {
    std::istringstream r(riga);
    std::string tipo, a, resto;
    r >> tipo >> a;
    std::getline(r, resto);
    if (!resto.empty()) resto.erase(0, 1);
    if (tipo == "id") s.id.insert(a);
    else if (tipo == "class") s.classe.emplace(a, resto);
    else if (tipo == "text") s.testi.emplace(a, resto);
    else if (tipo == "external") s.esterni.push_back(a + " " + resto);
    else if (tipo == "track") s.punti_traccia = std::stol(a);
  }
  return s;
}

struct CompiledBytes {
  std::array<scenario::voce_percorso, scenario::voce::numero> tabella;
  std::vector<scenario::cella> celle;
};

CompiledBytes leggi(const fs::path& dir) {
  return {scenario::read_route(read_bytes(dir / sim)), scenario::read_cells(read_bytes(dir / dat))};
}

// Cells of a kind whose 50 m have their middle in [da, a] (cell 0, before
// the line, counts as lying at 0).
std::size_t celle_di(const CompiledBytes& c, std::uint8_t tipo, double da = 0, double a = 1e9) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < c.celle.size(); ++i) {
    const double mezzo = i == 0 ? 0 : (static_cast<double>(i) - 0.5) * 50;
    n += c.celle[i].tipo_cella == tipo && mezzo >= da && mezzo <= a;
  }
  return n;
}

// Each kind of cell and the class of its mark.
const std::map<std::uint8_t, std::string> classi = {
    {1, "signal"},           {2, "slowdown-end"},       {3, "slowdown-start"},
    {4, "slowdown-warning"}, {5, "slowdown-approach"},  {6, "speed-board"},
    {10, "station-stop"},    {12, "abbattimento-value"}, {13, "abbattimento"},
    {14, "text-board"}};

void segni_come_celle(const Svg& s, const CompiledBytes& c) {
  for (const auto& [tipo, classe] : classi) EXPECT_EQ(s.conta(classe), celle_di(c, tipo)) << classe;
}

TEST(ScenariocRender, EmbeddedScenarioShowsEveryPartAndCountsEveryFeature) {
  TempDir dir;
  copia_compilati(dir.path());
  const ToolRun e = scenarioc({"render", dir.str()});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.out, (dir / svg_predefinito).string() + "\n");
  EXPECT_EQ(e.err, "");
  EXPECT_FALSE(fs::exists(dir / (svg_predefinito + ".part")));

  NEEDS_XML_PARSER();
  const Svg s = parse_svg(dir / svg_predefinito);
  EXPECT_EQ(s.esterni, std::vector<std::string>{});
  for (const char* id : {"title", "plan", "plan-track", "plan-stations", "plan-labels", "profiles", "elevation", "gradient",
                         "speed", "speed-boards", "adhesion", "features", "signals", "slowdowns",
                         "abbattimento", "mountains", "text-boards", "stations", "km-axis", "legend"})
    EXPECT_TRUE(s.id.contains(id)) << id;

  const CompiledBytes c = leggi(dir.path());
  std::size_t stazioni = 0;
  for (int i = 1; i <= 80; ++i) {
    const scenario::voce_percorso& v = c.tabella[static_cast<std::size_t>(i)];
    if (v.tipo_voce == 0) continue;
    ++stazioni;
    EXPECT_TRUE(s.ha_testo("plan-labels", v.testo)) << v.testo;
  }
  EXPECT_EQ(stazioni, 19u);
  // Signals are the ones the brief names; every other kind is counted too.
  EXPECT_EQ(s.conta("signal"), celle_di(c, 1));
  EXPECT_EQ(celle_di(c, 1), 45u);
  segni_come_celle(s, c);
  // The title block, from the files.
  EXPECT_TRUE(s.ha_testo("title", "Belvara_Quintosa")) << s.testi_in("title")[0];
  EXPECT_TRUE(s.ha_testo("title", "train 254"));
  for (const char* t : {"route 85 km", "19 stations", "45 signals", "route 33391", "cells 2455",
                        "both match the scenario name and train number"})
    EXPECT_TRUE(s.ha_testo("title", t)) << t;
  EXPECT_TRUE(s.ha_testo("plan-labels", "start"));
  EXPECT_TRUE(s.ha_testo("plan-labels", "end"));
  // 92001 plan points, drawn at the picture's resolution.
  EXPECT_GT(s.punti_traccia, 100);
  EXPECT_LT(s.punti_traccia, 5000);
  // Which scenarioc drew it.
  EXPECT_NE(read_bytes(dir / svg_predefinito)
                .find("\n<metadata>drawn by scenarioc " + std::string(scenario::version) + "</metadata>\n"),
            std::string::npos);
}

TEST(ScenariocRender, ThreeFilesOrScenarioAndTrainNamesGiveTheSamePicture) {
  TempDir dir;
  copia_compilati(dir.path());
  ASSERT_EQ(scenarioc({"render", dir.str()}).status, 0);
  const std::string riferimento = read_bytes(dir / svg_predefinito);

  const ToolRun e = scenarioc({"render", "--out", (dir / "tre.svg").string(), (dir / dat).string(),
                              (dir / linea_dat).string(), (dir / sim).string()});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(read_bytes(dir / "tre.svg"), riferimento);

  fs::rename(dir / linea_dat, dir / "Nuova_linea.dat");
  fs::rename(dir / sim, dir / "Nuova_9.sim");
  fs::rename(dir / dat, dir / "Nuova_9.dat");
  const ToolRun n = scenarioc({"render", "--scenario", "Nuova", "--train", "9", dir.str()});
  ASSERT_EQ(n.status, 0) << n.err;
  EXPECT_EQ(read_bytes(dir / "Nuova_9.svg"), riferimento);
}

TEST(ScenariocRender, AStretchShowsOnlyWhatLiesInIt) {
  TempDir dir;
  copia_compilati(dir.path());
  const ToolRun e =
      scenarioc({"render", "--from", "10", "--to", "20.5", "--out", (dir / "z.svg").string(), dir.str()});
  ASSERT_EQ(e.status, 0) << e.err;
  NEEDS_XML_PARSER();
  const Svg s = parse_svg(dir / "z.svg");
  const CompiledBytes c = leggi(dir.path());
  std::set<std::string> nomi, attesi;
  for (const std::string& t : s.testi_in("plan-labels"))
    if (t.find("km ") != 0) nomi.insert(t);  // not the stretch's ends
  for (int i = 1; i <= 80; ++i) {
    const scenario::voce_percorso& v = c.tabella[static_cast<std::size_t>(i)];
    if (v.tipo_voce != 0 && v.dato3 >= 10000 && v.dato3 <= 20500) attesi.insert(v.testo);
  }
  EXPECT_EQ(nomi, attesi);
  EXPECT_EQ(attesi, (std::set<std::string>{"CASTELVERDO DURV.", "TORBIO"}));
  EXPECT_EQ(s.conta("signal"), celle_di(c, 1, 10000, 20500));
  EXPECT_GT(celle_di(c, 1, 10000, 20500), 0u);
  EXPECT_LT(celle_di(c, 1, 10000, 20500), celle_di(c, 1));
  EXPECT_TRUE(s.ha_testo("title", "showing km 10 to km 20.5 of a route with 19 stations and 45 signals"));
  // The title's counts are the stretch's.
  EXPECT_TRUE(s.ha_testo("title", "route 85 km \u00b7 2 stations \u00b7 " +
                                      std::to_string(celle_di(c, 1, 10000, 20500)) + " signals shown"));
}

TEST(ScenariocRender, NamesFromTheRouteFileAreEscapedAndDecoded) {
  TempDir dir;
  copia_compilati(dir.path());
  // Entry 1's text, "VALDORA", starts 16 bytes into entry 1, after the 34
  // bytes of the empty entry 0: seven other bytes keep the layout.
  std::string b = read_bytes(dir / sim);
  ASSERT_EQ(b.substr(50, 7), "VALDORA");
  b.replace(50, 7, std::string("A&<\x01\"\xE9\x80", 7));
  write_bytes(dir / sim, b);
  const ToolRun e = scenarioc({"render", dir.str()});
  ASSERT_EQ(e.status, 0) << e.err;
  NEEDS_XML_PARSER();
  const Svg s = parse_svg(dir / svg_predefinito);
  // A control byte becomes U+FFFD; 0xE9 and 0x80 are é and € in Windows-1252.
  EXPECT_TRUE(s.ha_testo("plan-labels", "A&<\xEF\xBF\xBD\"\xC3\xA9\xE2\x82\xAC"));
}

struct Damage {
  const char* name;
  void (*danneggia)(const fs::path& dir);
  std::string messaggio;  // part of standard error; {DIR}/ is the directory
};
void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

void tronca(const fs::path& f, std::size_t via) {
  const std::string b = read_bytes(f);
  write_bytes(f, b.substr(0, b.size() - via));
}

class ScenariocRenderRefuses : public testing::TestWithParam<Damage> {};

TEST_P(ScenariocRenderRefuses, ADamagedFileAndLeavesAnEarlierPictureAlone) {
  TempDir dir;
  copia_compilati(dir.path());
  GetParam().danneggia(dir.path());
  write_bytes(dir / svg_predefinito, "earlier picture");
  const ToolRun e = scenarioc({"render", dir.str()});
  EXPECT_EQ(e.status, 1);
  const std::string atteso = in_dir(GetParam().messaggio, dir.path());
  EXPECT_NE(e.err.find(atteso), std::string::npos) << e.err;
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(read_bytes(dir / svg_predefinito), "earlier picture");
  auto nomi = testing_support::names_in(dir.path());
  std::erase(nomi, linea_dat);
  std::erase(nomi, sim);
  std::erase(nomi, dat);
  EXPECT_EQ(nomi, std::vector<std::string>{svg_predefinito});
}

INSTANTIATE_TEST_SUITE_P(
    All, ScenariocRenderRefuses,
    testing::Values(
        Damage{"cell_file_cut_inside_a_cell", [](const fs::path& d) { tronca(d / dat, 7); },
              "{DIR}/Belvara_Quintosa_254.dat: error: malformed cell file: offset 27600: "},
        Damage{"cell_file_of_another_length", [](const fs::path& d) { tronca(d / dat, 1500); },
              "are not one scenario: the cell file has 1741 cells, but a route of 85000 m (route file "
              "entry 84 dato2) has 1841"},
        Damage{"line_file_cut_short", [](const fs::path& d) { tronca(d / linea_dat, 3); },
              "{DIR}/Belvara_Quintosa_linea.dat: error: malformed compiled line file: offset "},
        Damage{"line_file_missing", [](const fs::path& d) { fs::remove(d / linea_dat); },
              "{DIR}/Belvara_Quintosa_linea.dat: error: missing compiled line file"},
        Damage{"route_file_missing", [](const fs::path& d) { fs::remove(d / sim); },
              "{DIR}/Belvara_Quintosa_254.sim: error: missing route file"},
        Damage{"route_file_with_one_byte_more", [](const fs::path& d) { write_bytes(d / sim, read_bytes(d / sim) + "x"); },
              "{DIR}/Belvara_Quintosa_254.sim: error: malformed route file: offset 3173: "}),
    [](const testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

TEST(ScenariocRender, APictureThatCannotBeWrittenLeavesNothing) {
  TempDir dir;
  copia_compilati(dir.path());
  const ToolRun e = scenarioc({"render", "--out", (dir / "missing" / "x.svg").string(), dir.str()});
  EXPECT_EQ(e.status, 2);
  EXPECT_EQ(e.err, "scenarioc: cannot create \"" + (dir / "missing" / "x.svg").string() +
                       "\": its folder does not exist; no picture written\n");
  EXPECT_EQ(e.out, "");
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;  // {DIR} is the directory with the compiled files
  std::string messaggio;
};
void PrintTo(const UsageCase& u, std::ostream* os) { *os << u.name; }

class ScenariocRenderUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(ScenariocRenderUsage, IsRefusedWithoutAPicture) {
  TempDir dir;
  copia_compilati(dir.path());
  std::vector<std::string> args = {"render"};
  for (const std::string& a : GetParam().args) args.push_back(a == "{DIR}" ? dir.str() : in_dir(a, dir.path()));
  const ToolRun e = scenarioc(args);
  EXPECT_EQ(e.status, 64);
  EXPECT_NE(e.err.find("scenarioc: " + in_dir(GetParam().messaggio, dir.path()) + "\n"), std::string::npos)
      << e.err;
  EXPECT_NE(e.err.find("usage: scenarioc render"), std::string::npos) << e.err;
  EXPECT_EQ(read_bytes(dir / sim), read_bytes(compilato() / sim));
  for (const auto& f : fs::directory_iterator(dir.path())) EXPECT_NE(f.path().extension(), ".svg") << f.path();
}

INSTANTIATE_TEST_SUITE_P(
    All, ScenariocRenderUsage,
    testing::Values(
        UsageCase{"from_not_a_number", {"--from", "ten", "{DIR}"},
            "--from takes a number of kilometres, 0 or more (not \"ten\")"},
        UsageCase{"from_negative", {"--from", "-1", "{DIR}"},
            "--from takes a number of kilometres, 0 or more (not \"-1\")"},
        UsageCase{"to_not_finite", {"--to", "inf", "{DIR}"},
            "--to takes a number of kilometres, 0 or more (not \"inf\")"},
        UsageCase{"to_beyond_the_line", {"--to", "85.05", "{DIR}"}, "--to 85.05 lies beyond the end of the line (km 85)"},
        UsageCase{"from_at_the_end", {"--from", "85", "{DIR}"}, "--from 85 is not before the end of the line (km 85)"},
        UsageCase{"to_before_from", {"--from", "20", "--to", "10", "{DIR}"}, "--to must be greater than --from"},
        UsageCase{"empty_stretch", {"--from", "20", "--to", "20", "{DIR}"}, "--to must be greater than --from"},
        UsageCase{"two_operands", {"{DIR}", "{DIR}"}, "render takes a SCENARIO_DIR or the three compiled files"},
        UsageCase{"two_route_files", {"{DIR}/Belvara_Quintosa_254.dat", "{DIR}/x.sim", "{DIR}/Belvara_Quintosa_254.sim"},
            "the three files must be one .sim and two .dat files (the cell file and the _linea.dat)"},
        UsageCase{"names_with_three_files",
            {"--train", "9", "{DIR}/Belvara_Quintosa_linea.dat", "{DIR}/Belvara_Quintosa_254.dat",
             "{DIR}/Belvara_Quintosa_254.sim"},
            "--scenario and --train find the files in a SCENARIO_DIR; not with three files"},
        UsageCase{"out_over_an_input", {"--out", "{DIR}/Belvara_Quintosa_254.sim", "{DIR}"},
            "--out {DIR}/Belvara_Quintosa_254.sim would replace the compiled file "
            "{DIR}/Belvara_Quintosa_254.sim"},
        UsageCase{"scenario_name_with_a_slash", {"--scenario", "../x", "{DIR}"},
            "--scenario must be a non-empty name without / or \\"}),
    [](const testing::TestParamInfo<UsageCase>& i) { return std::string(i.param.name); });

// A .dat file is known by its bytes: a cell file whose name ends like a line
// file's (a train named LINEA) is drawn as the cell file it is, and two cell
// files are refused as such.
TEST(ScenariocRender, TellsTheTwoDatFilesApartByTheirBytes) {
  TempDir dir;
  fs::copy_file(compilato() / sim, dir / "A_LINEA.sim");
  fs::copy_file(compilato() / dat, dir / "A_LINEA.dat");
  fs::copy_file(compilato() / linea_dat, dir / "plan.dat");
  const ToolRun e = scenarioc({"render", "--out", (dir / "a.svg").string(), (dir / "A_LINEA.dat").string(),
                               (dir / "A_LINEA.sim").string(), (dir / "plan.dat").string()});
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_TRUE(fs::exists(dir / "a.svg"));

  fs::copy_file(compilato() / dat, dir / "other.dat");
  const ToolRun due = scenarioc({"render", "--out", (dir / "b.svg").string(), (dir / "A_LINEA.dat").string(),
                                 (dir / "A_LINEA.sim").string(), (dir / "other.dat").string()});
  EXPECT_EQ(due.status, 1);
  EXPECT_EQ(due.err, (dir / "other.dat").string() + ": error: is a cell file, as " +
                         (dir / "A_LINEA.dat").string() + " is\n");
  EXPECT_FALSE(fs::exists(dir / "b.svg"));
}

// Each upright text of a picture with what its box is estimated from: the
// font size and weight its classes give in the document's style, its anchor,
// position and content. Slanted texts (the station names over the profiles)
// are spaced by their own rule and left out.
constexpr const char* text_lister = R"PY(
import sys, re, xml.etree.ElementTree as ET
NS = '{http://www.w3.org/2000/svg}'
root = ET.parse(sys.argv[1]).getroot()
style = ''.join(e.text or '' for e in root.iter(NS + 'style'))
size, bold = {}, {}
for selectors, body in re.findall(r'([^{}]+)\{([^}]*)\}', style):
    for sel in selectors.split(','):
        sel = sel.strip()
        m = re.search(r'font-size:([0-9.]+)px', body)
        if m: size[sel] = float(m.group(1))
        if 'font-weight:bold' in body: bold[sel] = True
out = open(sys.argv[2], 'w', encoding='utf-8')
def walk(el, slanted):
    slanted = slanted or el.get('transform') is not None and el.tag == NS + 'text'
    if el.tag == NS + 'text' and not slanted:
        fs, b = size.get('text', 12), bold.get('text', False)
        for c in (el.get('class') or '').split():
            fs = size.get('.' + c, fs)
            b = bold.get('.' + c, b)
        out.write('%g %d %s %s %s %s\n' % (fs, b, el.get('text-anchor', 'start'), el.get('x'), el.get('y'),
                                           ''.join(el.itertext())))
    for c in el:
        walk(c, slanted)
walk(root, False)
)PY";

struct PlacedText {
  std::string text;
  render::Box box;
};

std::vector<PlacedText> upright_texts(const fs::path& file) {
  TempDir dir;
  write_bytes(dir / "list.py", text_lister);
  const int status = run_command("python3 " + q(dir / "list.py") + " " + q(file) + " " + q(dir / "out") +
                                 " 2> " + q(dir / "err"));
  std::vector<PlacedText> texts;
  if (status != 0) {
    ADD_FAILURE() << file << ": python3 exit " << status << ": " << read_bytes(dir / "err");
    return texts;
  }
  std::istringstream in(read_bytes(dir / "out"));
  for (std::string line; std::getline(in, line);) {
    std::istringstream r(line);
    double size = 0, x = 0, y = 0;
    int bold = 0;
    std::string anchor, content;
    r >> size >> bold >> anchor >> x >> y;
    std::getline(r, content);
    if (!content.empty()) content.erase(0, 1);
    const render::Anchor a = anchor == "middle" ? render::Anchor::middle
                             : anchor == "end"  ? render::Anchor::end
                                                : render::Anchor::start;
    // The placers measure the escaped text they write; measure the same.
    texts.push_back({content, render::text_box(x, y, render::svg::utf8_text(content), size, a, bold != 0)});
  }
  return texts;
}

// Every pair of upright texts whose estimated boxes overlap.
std::vector<std::string> overlapping(const std::vector<PlacedText>& texts) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = 0; j < i; ++j) {
      const render::Box& a = texts[i].box;
      const render::Box& b = texts[j].box;
      if (a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1)
        found.push_back("\"" + texts[i].text + "\" and \"" + texts[j].text + "\"");
    }
  return found;
}

TEST(ScenariocRender, NoTwoLabelsOverlapWholeOrOnAStretch) {
  NEEDS_XML_PARSER();
  TempDir dir;
  copia_compilati(dir.path());
  const std::vector<std::vector<std::string>> stretches = {{}, {"--from", "40", "--to", "85"}, {"--from", "0", "--to", "3"}};
  for (const auto& stretch : stretches) {
    std::vector<std::string> args = {"render", "--out", (dir / "p.svg").string()};
    args.insert(args.end(), stretch.begin(), stretch.end());
    args.push_back(dir.str());
    const ToolRun e = scenarioc(args);
    ASSERT_EQ(e.status, 0) << e.err;
    const std::vector<PlacedText> texts = upright_texts(dir / "p.svg");
    EXPECT_GT(texts.size(), 60u);
    EXPECT_EQ(overlapping(texts), std::vector<std::string>{}) << (stretch.empty() ? "whole line" : stretch[1]);
  }
}

// A slowdown (the embedded train has none) drawn as its speed from its
// start to its end cell, on the whole line and on stretches that cut it or
// miss it.
TEST(ScenariocRender, ASlowdownsSpeedIsDrawnOnTheSpeedProfile) {
  NEEDS_XML_PARSER();
  TempDir dir;
  ASSERT_EQ(scenarioc({"texts", dir.str()}).status, 0);
  const fs::path train = dir / "Belvara_Quintosa_254-.txt";
  std::string text = read_bytes(train);
  const std::size_t first_signal = text.find("segnale,");
  ASSERT_NE(first_signal, std::string::npos);
  text.insert(first_signal, "rallentamento, 33000, 60, 1000, 1, 0, 0\r\n");
  write_bytes(train, text);
  const ToolRun compiled = scenarioc({"compile", dir.str()});
  ASSERT_EQ(compiled.status, 0) << compiled.err;

  struct Case {
    std::vector<std::string> stretch;
    std::size_t lines;
  };
  const Case cases[] = {{{}, 1}, {{"--from", "33.5", "--to", "40"}, 1}, {{"--from", "35", "--to", "40"}, 0}};
  for (const Case& k : cases) {
    std::vector<std::string> args = {"render", "--out", (dir / "p.svg").string()};
    args.insert(args.end(), k.stretch.begin(), k.stretch.end());
    args.push_back(dir.str());
    const ToolRun e = scenarioc(args);
    ASSERT_EQ(e.status, 0) << e.err;
    const Svg s = parse_svg(dir / "p.svg");
    const std::string which = k.stretch.empty() ? "whole line" : k.stretch[1];
    EXPECT_EQ(s.conta("slowdown-speed"), k.lines) << which;
    EXPECT_EQ(s.testi_in("slowdown-speeds"), std::vector<std::string>(k.lines, "60")) << which;
    EXPECT_EQ(overlapping(upright_texts(dir / "p.svg")), std::vector<std::string>{}) << which;
  }
}

// The longest line the formats allow, and then the worst such files can
// hold: a feature in every cell and a plan winding round a small circle
// 1600 times. Both stay small documents with every mark in them.
TEST(ScenariocRender, TheLongestLineIsThinnedToASmallDocument) {
  TempDir dir;
  const testing_support::LargeScenario large = testing_support::large_scenario();
  write_bytes(dir / "Belvara_Quintosa_linea.txt", large.linea);
  write_bytes(dir / "Belvara_Quintosa_254-.txt", large.treno);
  const ToolRun compilato_grande = scenarioc({"compile", dir.str()});
  ASSERT_EQ(compilato_grande.status, 0) << compilato_grande.err;
  ASSERT_EQ(read_bytes(dir / linea_dat).size(), 2 * (2 * 4 + 1006997 * 10 + 2 * 2u));

  const ToolRun e = scenarioc({"render", dir.str()});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_LT(fs::file_size(dir / svg_predefinito), 2'000'000u);
  NEEDS_XML_PARSER();
  Svg s = parse_svg(dir / svg_predefinito);
  CompiledBytes c = leggi(dir.path());
  EXPECT_EQ(s.conta("signal"), static_cast<std::size_t>(large.signals));
  segni_come_celle(s, c);
  for (const char* classe : {"slowdown-start", "abbattimento", "text-board", "speed-board"})
    EXPECT_GT(s.conta(classe), 0u) << classe;
  std::size_t montagne = 0;
  for (std::size_t i = 1; i < c.celle.size(); ++i)
    montagne += c.celle[i].codice_montagna != 0 && c.celle[i].codice_montagna != c.celle[i - 1].codice_montagna;
  EXPECT_EQ(s.conta("mountain"), montagne);
  EXPECT_EQ(montagne, 80u);
  EXPECT_TRUE(s.ha_testo("title", "route 1000 km"));
  EXPECT_GT(s.punti_traccia, 1000);
  EXPECT_LE(s.punti_traccia, 30100);

  // Every cell a signal (cell 1 keeps its header values), and a plan of
  // doubles on a circle of radius 100.
  std::string celle = read_bytes(dir / dat);
  for (std::size_t i = 0; i < celle.size(); i += 15) celle[i] = 1;
  write_bytes(dir / dat, celle);
  const std::size_t punti = 1007001;
  std::string piano;
  piano.reserve(punti * 20);
  for (int coord = 0; coord < 2; ++coord) {
    for (std::size_t p = 0; p < punti; ++p) {
      const double a = static_cast<double>(p) / 100.0;
      const double v = 100.0 * (coord == 0 ? std::sin(a) : std::cos(a));
      char elemento[10] = {5, 0};
      std::memcpy(elemento + 2, &v, 8);  // little-endian machines only, as the suite runs on
      piano.append(elemento, 10);
    }
  }
  write_bytes(dir / linea_dat, piano);
  const ToolRun f = scenarioc({"render", "--out", (dir / "worst.svg").string(), dir.str()});
  ASSERT_EQ(f.status, 0) << f.err;
  EXPECT_LT(fs::file_size(dir / "worst.svg"), 2'000'000u);
  s = parse_svg(dir / "worst.svg");
  c = leggi(dir.path());
  EXPECT_EQ(s.conta("signal"), c.celle.size());
  EXPECT_LE(s.punti_traccia, 30100);
}

}  // namespace

