// mirca-cli --json against mirca-panelsim: every stdout line is one JSON object, the last one the result;
// the result carries the same data the text form prints, failures keep their exit codes and messages, and
// long operations report progress while they run.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "memmap/configtext.h"
#include "memmap/migrate.h"
#include "tests/cli_panel.h"
#include "tests/firmware_images.h"
#include "tests/process.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
namespace tp = testing_process;
using nlohmann::json;

constexpr const char* kMap = "937_d_6_4.xml";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[1024];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// A run's stdout split into its objects: the events before the last line, and the last line.
struct TJsonRun {
    int exitCode = -1;
    std::vector<json> events;
    json last;
    std::string err;
    std::string out;
};

// Every line must parse as an object; the last one is the result and the only one with "ok"; every other
// one is exactly one event: progress, message, question or warning.
TJsonRun Parse(const tp::TResult& r) {
    TJsonRun run{r.exitCode, {}, {}, r.err, r.out};
    EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << r.out;
    std::istringstream lines(r.out);
    std::vector<json> all;
    for (std::string line; std::getline(lines, line);) {
        json parsed = json::parse(line, nullptr, false);
        EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << line;
        EXPECT_TRUE(parsed.is_object()) << line;
        all.push_back(std::move(parsed));
    }
    if (all.empty()) {
        ADD_FAILURE() << "no output; stderr: " << r.err;
        return run;
    }
    run.last = all.back();
    all.pop_back();
    for (const json& event : all) {
        EXPECT_EQ(event.size(), 1u) << event.dump();
        const bool known = event.contains("progress") || event.contains("message") ||
                           event.contains("question") || event.contains("warning");
        EXPECT_TRUE(known) << event.dump();
    }
    run.events = std::move(all);
    EXPECT_TRUE(run.last.contains("ok")) << run.last.dump();
    EXPECT_EQ(run.last.value("ok", false), r.exitCode == 0) << run.last.dump();
    return run;
}

std::vector<json> Progress(const TJsonRun& run, const std::string& step) {
    std::vector<json> out;
    for (const json& e : run.events)
        if (e.contains("progress") && e.at("progress").at("step") == step) out.push_back(e.at("progress"));
    return out;
}

std::vector<std::string> Messages(const TJsonRun& run) {
    std::vector<std::string> out;
    for (const json& e : run.events)
        if (e.contains("message")) out.push_back(e.at("message").get<std::string>());
    return out;
}

// Progress of one step: every pass of it (a pass begins at done 0: the refresh reads, then writes) never
// goes back or beyond its total, ends complete and prints far fewer lines than a transfer has blocks.
void ExpectCompleteProgress(const TJsonRun& run, const std::string& step, const std::string& unit) {
    SCOPED_TRACE("progress of " + step);
    const std::vector<json> lines = Progress(run, step);
    ASSERT_GE(lines.size(), 2u) << run.out;
    std::vector<std::vector<json>> passes;
    for (const json& p : lines) {
        EXPECT_EQ(p.at("unit"), unit);
        ASSERT_TRUE(p.at("done").is_number_unsigned() && p.at("total").is_number_unsigned()) << p.dump();
        EXPECT_LE(p.at("done").get<std::uint64_t>(), p.at("total").get<std::uint64_t>()) << p.dump();
        if (passes.empty() || (p.at("done") == 0 && passes.back().back().at("done") != 0))
            passes.emplace_back();
        passes.back().push_back(p);
    }
    for (const std::vector<json>& pass : passes) {
        EXPECT_LE(pass.size(), 103u);
        for (std::size_t i = 1; i < pass.size(); ++i) {
            EXPECT_EQ(pass[i].at("total"), pass[0].at("total")) << pass[i].dump();
            EXPECT_GE(pass[i].at("done").get<std::uint64_t>(), pass[i - 1].at("done").get<std::uint64_t>())
                << pass[i].dump();
        }
        EXPECT_GT(pass.back().at("total").get<std::uint64_t>(), 0u);
        EXPECT_EQ(pass.back().at("done"), pass.back().at("total"));
    }
}

class CliJson : public TCliPanelTest {
protected:
    TJsonRun Json(const std::string& panel, std::vector<std::string> args) {
        args.insert(args.begin(), "--json");
        return Parse(Cli(panel, std::move(args)));
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

// Each command once with --json and once without: the text printed is what the JSON result says, rebuilt
// from its typed fields, so that every value the text shows is in the result and nothing differs.
struct TCommandCase {
    std::vector<std::string> args;
    std::function<std::string(const json&)> text;  // the text form rebuilt from the result
};

std::string Rows(const json& result) {
    std::string text;
    for (const json& r : result.at("rows")) {
        text +=
            Format("%s\t%s\t%s\t%s\t%s\t%s\t%s\n", r.at("number").get<std::string>().c_str(),
                   r.at("event_id").get<std::string>().c_str(), r.at("date_time").get<std::string>().c_str(),
                   r.at("event").get<std::string>().c_str(), r.at("range").get<std::string>().c_str(),
                   r.at("detail").get<std::string>().c_str(), r.at("source").get<std::string>().c_str());
    }
    return text;
}

std::string FirmwareRows(const json& result) {
    std::string text;
    for (const json& f : result.at("files")) {
        text +=
            Format("%s\t%s\t%ju bytes\t%s\t%s/\n", f.at("name").get<std::string>().c_str(),
                   f.at("version").get<std::string>().c_str(), f.at("size").get<std::uintmax_t>(),
                   f.at("modified").get<std::string>().c_str(), f.at("folder").get<std::string>().c_str());
        EXPECT_EQ(fs::path(f.at("path").get<std::string>()),
                  fs::path(f.at("folder").get<std::string>()) / f.at("name"));
        EXPECT_EQ(fs::file_size(f.at("path").get<std::string>()), f.at("size").get<std::uintmax_t>());
    }
    return text;
}

std::vector<TMigration::TEntry> Entries(const json& list) {
    std::vector<TMigration::TEntry> out;
    for (const json& e : list)
        out.push_back({e.at("name"), e.at("note")});
    return out;
}

TEST_F(CliJson, EveryCommandsResultCarriesWhatTheTextPrints) {
    auto panel = Panel("p", kMap, {"--log-records", "300"});
    fs::create_directories(dir_ / "fw");
    WriteBytes(dir_ / "fw" / "Y-PCN_6_4_12.tsk", testing_firmware::PanelImage(6, 4, 12));
    WriteBytes(dir_ / "fw" / "937_s1.tsk", testing_firmware::PanelImage(1, 2, 0));
    const std::string cfg = Path("p.ycfg"), set = Path("set.ycfg"), migrated = Path("migrated.ycfg");
    const std::string reg = Path("reg.rrg"), log = Path("site.yrpt"), db = Path("log.db"),
                      page = Path("log.htm");
    const std::string map = tp::kMaps + "/" + kMap;
    // Two codes where the fresh panel holds one: the code counts follow.
    const std::string codes = "818283FFFFFF" + std::string(12, 'F') + "878889FFFFFF" + std::string(348, 'F');

    const auto device = [](const json& r) {
        return r.at("device").get<std::string>() + " " + r.at("firmware").get<std::string>();
    };
    const std::vector<TCommandCase> cases = {
        {{"identify"},
         [](const json& r) {
             const unsigned type = r.at("type_code"), edition = r.at("edition");
             EXPECT_EQ(type, 937u);
             const std::string letter = r.at("edition_letter").is_null()
                                            ? "(no letter)"
                                            : "'" + r.at("edition_letter").get<std::string>() + "'";
             return Format("type code: %u (0x%04X)\nedition: 0x%04X %s\nversion: %u.%u.%u\nprotocol: %s\n",
                           type, type, edition, letter.c_str(), r.at("version").at("major").get<unsigned>(),
                           r.at("version").at("minor").get<unsigned>(),
                           r.at("version").at("build").get<unsigned>(),
                           r.at("protocol").get<std::string>().c_str());
         }},
        {{"config", "read", cfg},
         [&](const json& r) {
             EXPECT_EQ(r.at("file"), cfg);
             return Format("configuration of %s (%u bytes) saved to %s\n", device(r).c_str(),
                           r.at("bytes").get<unsigned>(), cfg.c_str());
         }},
        {{"config", "write", cfg, "--verify"},
         [&](const json& r) {
             EXPECT_EQ(r.at("verified"), true);
             return Format(
                 "configuration from %s written to %s\nread back: the panel holds every written block\n",
                 r.at("file").get<std::string>().c_str(), device(r).c_str());
         }},
        {{"config", "dump"},
         [](const json& r) {
             EXPECT_EQ(r.at("source"), "panel");
             std::string text;
             for (const json& b : r.at("blocks")) {
                 const std::string value = b.at("value");
                 text += b.at("name").get<std::string>() + (value.empty() ? " =" : " = ") + value + "\n";
             }
             return text;
         }},
        {{"config", "set", set, "language=1", "codes=" + codes},
         [&](const json& r) {
             EXPECT_EQ(r.at("set").at(0), json({{"name", "language"}, {"value", "1"}}));
             EXPECT_EQ(r.at("set").at(1), json({{"name", "codes"}, {"value", codes}}));
             EXPECT_NE(r.at("followed").size(), 0u);
             std::string text;
             for (const json& f : r.at("followed"))
                 text += Format("%s = %d, following the codes\n", f.at("name").get<std::string>().c_str(),
                                f.at("value").get<int>());
             return text + Format("%zu blocks set in %s\n", r.at("set").size(), set.c_str());
         }},
        {{"config", "diff", cfg, set},
         [&](const json& r) {
             EXPECT_EQ(r.at("a"), cfg);
             std::vector<TBlockDifference> differences;
             for (const json& d : r.at("differences")) {
                 differences.push_back(
                     {d.at("name"),
                      d.at("a").is_null() ? std::nullopt : std::optional<std::string>(d.at("a")),
                      d.at("b").is_null() ? std::nullopt : std::optional<std::string>(d.at("b"))});
             }
             EXPECT_NE(std::find_if(differences.begin(), differences.end(),
                                    [](const TBlockDifference& d) { return d.name == "language"; }),
                       differences.end());
             return DiffText(differences);
         }},
        {{"config", "migrate", set, "--map", "937_d_6_3.xml", migrated},
         [&](const json& r) {
             EXPECT_EQ(r.at("file"), migrated);
             EXPECT_TRUE(fs::exists(migrated));
             return MigrationText({Entries(r.at("carried")), Entries(r.at("dropped")), Entries(r.at("kept")),
                                   Entries(r.at("new"))});
         }},
        {{"backup", "read", reg, "--object", "12", "--address", "3"},
         [&](const json& r) {
             EXPECT_EQ(r.at("object"), 12);
             EXPECT_EQ(r.at("address"), 3);
             return Format("registration backup of %s saved to %s\n",
                           r.at("device").get<std::string>().c_str(),
                           r.at("file").get<std::string>().c_str());
         }},
        {{"backup", "write", reg},
         [&](const json& r) {
             return Format("registration backup %s written to %s (object %u, address %u)\n", reg.c_str(),
                           r.at("device").get<std::string>().c_str(), r.at("object").get<unsigned>(),
                           r.at("address").get<unsigned>());
         }},
        {{"config", "factory"},
         [&](const json& r) { return "factory settings written to " + device(r) + "\n"; }},
        {{"map", "check", map},
         [&](const json& r) {
             const std::size_t count = r.at("blocks").size();
             EXPECT_EQ(count, TZelmoMemoryMap(map).BlockCount());
             std::string text =
                 Format("%s: %s, type %d, %u bytes, %zu blocks\n", map.c_str(), device(r).c_str(),
                        r.at("type").get<int>(), r.at("bytes").get<unsigned>(), count);
             for (const json& b : r.at("blocks")) {
                 text += Format("  %-24s %-24s address %6u size %5u access %s\n",
                                b.at("name").get<std::string>().c_str(),
                                b.at("class").get<std::string>().c_str(), b.at("address").get<unsigned>(),
                                b.at("size").get<unsigned>(), b.at("access").get<std::string>().c_str());
             }
             return text;
         }},
        {{"log", "read", log},
         [&](const json& r) {
             EXPECT_EQ(r.at("records"), 300);
             return Format("event log of %s, system %u version %u.%u.%u: %zu records saved to %s\n",
                           r.at("device").get<std::string>().c_str(), r.at("system").get<unsigned>(),
                           r.at("version").at("major").get<unsigned>(),
                           r.at("version").at("minor").get<unsigned>(),
                           r.at("version").at("build").get<unsigned>(), r.at("records").get<std::size_t>(),
                           log.c_str());
         }},
        {{"log", "show", log, "--lang", "EN"},
         [](const json& r) {
             EXPECT_EQ(r.at("count"), 300);
             EXPECT_EQ(r.at("rows").size(), 300u);
             return Rows(r);
         }},
        {{"log", "query", log, "--db", db, "--lang", "EN", "--type", "2"},
         [](const json& r) {
             EXPECT_EQ(r.at("stored"), 300);
             EXPECT_EQ(r.at("skipped"), 0);
             EXPECT_GT(r.at("count").get<std::size_t>(), 0u);
             EXPECT_EQ(r.at("count"), r.at("rows").size());
             return Rows(r);
         }},
        {{"log", "export", log, "--html", page},
         [&](const json& r) {
             EXPECT_EQ(r.at("written"), json::array({{{"format", "html"}, {"file", page}}}));
             EXPECT_GT(fs::file_size(page), 0u);
             return Format("%zu rows written to %s\n", r.at("rows").get<std::size_t>(), page.c_str());
         }},
        {{"firmware", "list", "--folder", Path("fw"), "--lang", "EN"},
         [](const json& r) {
             EXPECT_EQ(r.at("files").size(), 1u) << "only the file that fits the panel";
             return Format("# %s %s, files %s in %s\n", r.at("device").at("name").get<std::string>().c_str(),
                           r.at("device").at("version").get<std::string>().c_str(),
                           r.at("mask").get<std::string>().c_str(),
                           r.at("folder").get<std::string>().c_str()) +
                    FirmwareRows(r);
         }},
        {{"firmware", "list", "--all", "--folder", Path("fw"), "--lang", "EN"},
         [](const json& r) {
             EXPECT_EQ(r.at("files").size(), 2u);
             return FirmwareRows(r);
         }},
        {{"--version"},
         [](const json& r) { return "mirca-cli " + r.at("version").get<std::string>() + "\n"; }},
    };
    for (const TCommandCase& c : cases) {
        std::string name;
        for (const std::string& a : c.args)
            name += a + " ";
        SCOPED_TRACE(name);
        const bool setting = c.args.size() > 1 && c.args[1] == "set";
        if (setting) fs::copy_file(cfg, set, fs::copy_options::overwrite_existing);
        const TJsonRun run = Json("p", c.args);
        ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
        const std::string command = c.args[0] == "--version"  ? "version"
                                    : c.args[0] == "identify" ? "identify"
                                                              : c.args[0] + " " + c.args[1];
        EXPECT_EQ(run.last.at("command"), command);
        EXPECT_FALSE(run.last.contains("error"));
        // The same command in text form, over the same files, after the JSON run.
        if (setting) fs::copy_file(cfg, set, fs::copy_options::overwrite_existing);
        const tp::TResult text = Cli("p", c.args);
        ASSERT_EQ(text.exitCode, 0) << text.err;
        EXPECT_EQ(c.text(run.last.at("result")), text.out);
    }
}

TEST_F(CliJson, LongOperationsReportProgressLinesBeforeTheResult) {
    auto panel = Panel("p", kMap, {"--log-records", "1400"});
    const TJsonRun config = Json("p", {"config", "read", Path("p.ycfg")});
    ASSERT_EQ(config.exitCode, 0) << config.err;
    ExpectCompleteProgress(config, "read", "steps");

    const TJsonRun log = Json("p", {"log", "read", Path("p.yrpt")});
    ASSERT_EQ(log.exitCode, 0) << log.err;
    ExpectCompleteProgress(log, "read", "percent");
    EXPECT_EQ(Progress(log, "read").back().at("total"), 100);

    const TJsonRun write = Json("p", {"config", "write", Path("p.ycfg"), "--verify"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    ExpectCompleteProgress(write, "write", "steps");
    ExpectCompleteProgress(write, "verify", "steps");
}

TEST_F(CliJson, FirmwareWriteNeedsYesAndThenReportsEveryStep) {
    auto panel = Panel("p", kMap);
    fs::create_directories(dir_ / "fw");
    const std::string file = Path("fw/Y-PCN_6_4_12.tsk");
    WriteBytes(file, testing_firmware::PanelImage(6, 4, 12));
    const auto version = [&] {
        const tp::TResult r = Cli("p", {"--json", "identify"});
        const json id = json::parse(r.out, nullptr, false).at("result").at("version");
        return Format("%u.%u.%u", id.at("major").get<unsigned>(), id.at("minor").get<unsigned>(),
                      id.at("build").get<unsigned>());
    };
    const std::string before = version();
    ASSERT_NE(before, "6.4.12");

    // No questions can be asked while stdout is JSON: refused at once, nothing sent, however stdin looks.
    const auto start = std::chrono::steady_clock::now();
    const TJsonRun refused = Json("p", {"firmware", "write", file, "--conf", Path("conf"), "--lang", "EN"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.last.at("error").at("code"), "usage");
    EXPECT_EQ(refused.last.at("error").at("exit"), 2);
    EXPECT_NE(refused.last.at("error").at("message").get<std::string>().find("--yes"), std::string::npos);
    EXPECT_TRUE(refused.events.empty()) << refused.out;
    EXPECT_FALSE(fs::exists(dir_ / "conf"));
    EXPECT_EQ(version(), before);

    const TJsonRun run =
        Json("p", {"firmware", "write", file, "--yes", "--refresh", "--conf", Path("conf"), "--lang", "EN"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    // Each part of the run counts on its own: the configuration saved first, the image in bytes (whole
    // blocks of 252), the refresh.
    ExpectCompleteProgress(run, "backup", "steps");
    ExpectCompleteProgress(run, "write", "bytes");
    EXPECT_EQ(Progress(run, "write").back().at("total"), 1008);
    ExpectCompleteProgress(run, "refresh", "steps");
    const std::vector<std::string> messages = Messages(run);
    const std::vector<std::string> order = {"Saving the panel settings", "Writing the firmware",
                                            "Updating the panel settings",
                                            "written to the device successfully"};
    auto at = messages.begin();
    for (const std::string& text : order) {
        at = std::find_if(at, messages.end(), [&](const std::string& m) { return m.find(text) != m.npos; });
        ASSERT_NE(at, messages.end()) << "'" << text << "' missing or out of order in:\n" << run.out;
    }
    // The questions --yes answered are events of their own.
    std::vector<std::string> questions;
    for (const json& e : run.events) {
        if (!e.contains("question")) continue;
        EXPECT_EQ(e.at("question").at("answer"), "yes");
        questions.push_back(e.at("question").at("text"));
    }
    EXPECT_FALSE(questions.empty()) << run.out;
    const json& result = run.last.at("result");
    EXPECT_EQ(result.at("file"), file);
    EXPECT_EQ(result.at("result"), "written");
    EXPECT_EQ(result.at("refresh"), "written");
    ASSERT_TRUE(result.at("backup").is_string()) << result.dump();
    EXPECT_TRUE(fs::exists(result.at("backup").get<std::string>()));
    EXPECT_EQ(fs::path(result.at("backup").get<std::string>()).parent_path(), dir_ / "conf");
    EXPECT_EQ(version(), "6.4.12");
}

// The cable comes out in the middle of the image: the result says the image was cut, how much of it the
// panel took, and carries the box's message as the error, with that part in the progress before it.
TEST_F(CliJson, AFirmwareWriteThatBreaksOffFailsWithTheReason) {
    auto panel = Panel("p", kMap, {"--drop-firmware-after", "500"});
    const std::string file = Path("Y-PCN_6_4_12.tsk");
    WriteBytes(file, testing_firmware::PanelImage(6, 4, 12));
    const TJsonRun run = Json("p", {"firmware", "write", file, "--yes", "--no-backup", "--lang", "EN"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.last.at("result").at("result"), "partial");
    EXPECT_TRUE(run.last.at("result").at("backup").is_null());
    EXPECT_EQ(run.last.at("result").at("total"), 1008);
    EXPECT_LT(run.last.at("result").at("sent"), 500);
    const json& error = run.last.at("error");
    EXPECT_EQ(error.at("code"), "failed");
    EXPECT_EQ(error.at("exit"), 1);
    EXPECT_NE(error.at("message").get<std::string>().find("Could not write the firmware to the device."),
              std::string::npos)
        << error.dump();
    const std::string cut = "the device received " +
                            std::to_string(run.last.at("result").at("sent").get<int>()) + " of 1008 bytes";
    EXPECT_NE(error.at("message").get<std::string>().find(cut), std::string::npos) << error.dump();
    const std::vector<json> written = Progress(run, "write");
    ASSERT_FALSE(written.empty()) << run.out;
    EXPECT_LT(written.back().at("done"), written.back().at("total"));
}

// A failed run: one result line with ok false, the exit code the text form gives, and the text form's
// message; nothing else on stdout but events.
TEST_F(CliJson, FailuresKeepTheirExitCodesAndMessages) {
    auto panel = Panel("p", kMap);
    WriteBytes(dir_ / "short.ycfg", {1, 2, 3});
    struct TCase {
        std::vector<std::string> args;  // after --port
        int exitCode;
        const char* code;
        bool noPanel;  // run against a socket nobody serves
    };
    const std::string missing = Path("missing\xff.ycfg");
    const TCase cases[] = {
        {{"identify"}, 3, "no-device", true},
        {{"config", "read", Path("x.ycfg")}, 3, "no-device", true},
        {{"log", "read", Path("x.yrpt")}, 3, "no-device", true},
        {{"config", "dump", missing}, 1, "failed", false},
        {{"config", "dump", Path("short.ycfg")}, 1, "failed", false},
        {{"log", "show", Path("short.ycfg")}, 1, "failed", false},
        {{"config", "read", Path("x.txt")}, 2, "usage", false},
        {{"config", "frob"}, 2, "usage", false},
        {{"backup", "read", Path("r.rrg"), "--object", "1", "--address", "9"}, 2, "usage", false},
        {{"frob"}, 2, "usage", false},
        {{}, 2, "usage", false},
    };
    for (const TCase& c : cases) {
        std::string name;
        for (const std::string& a : c.args)
            name += a + " ";
        SCOPED_TRACE(name);
        const std::string port = c.noPanel ? "absent" : "p";
        const TJsonRun run = Json(port, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_TRUE(run.events.empty()) << run.out;
        const json& error = run.last.at("error");
        EXPECT_EQ(error.at("code"), c.code);
        EXPECT_EQ(error.at("exit"), c.exitCode);
        const tp::TResult text = Cli(port, c.args);
        EXPECT_EQ(text.exitCode, c.exitCode);
        EXPECT_EQ(text.out, "");
        // The message is the text form's line, with what could not be carried in UTF-8 replaced.
        const std::string message = error.at("message");
        ASSERT_FALSE(message.empty());
        if (c.args.empty()) continue;
        if (name.find('\xff') == std::string::npos) {
            EXPECT_EQ(text.err.rfind("mirca-cli", 0), 0u) << text.err;
            EXPECT_NE(text.err.find(": " + message + "\n"), std::string::npos) << text.err << "\n" << message;
        } else {
            EXPECT_NE(message.find("missing\xEF\xBF\xBD.ycfg"), std::string::npos) << message;
        }
    }
}

// --json may follow the command as well as precede it; the text form is unchanged by its absence.
TEST_F(CliJson, TheOptionMayFollowTheCommand) {
    auto panel = Panel("p", kMap);
    const std::string cfg = Path("p.ycfg");
    ASSERT_EQ(Cli("p", {"config", "read", cfg}).exitCode, 0);
    const TJsonRun after = Parse(Cli("p", {"config", "dump", cfg, "--json"}));
    ASSERT_EQ(after.exitCode, 0) << after.err;
    const TJsonRun before = Json("p", {"config", "dump", cfg});
    EXPECT_EQ(after.last, before.last);
    EXPECT_EQ(after.last.at("result").at("source"), cfg);
}

// --help in JSON: one object whose text is the plain help, with every command it documents listed.
TEST_F(CliJson, HelpIsOneJsonObjectWithTheCommands) {
    const auto plain = tp::Run({tp::kBin + "/mirca-cli", "--help"});
    ASSERT_EQ(plain.exitCode, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--json", "--help"}, std::vector<std::string>{"--help", "--json"}}) {
        std::vector<std::string> line{tp::kBin + "/mirca-cli"};
        line.insert(line.end(), args.begin(), args.end());
        const TJsonRun run = Parse(tp::Run(line));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.events.empty()) << run.out;
        EXPECT_EQ(run.last.at("command"), "help");
        EXPECT_TRUE(run.last.at("ok").get<bool>());
        const json& result = run.last.at("result");
        EXPECT_EQ(result.at("text"), plain.out);
        EXPECT_EQ("usage: " + result.at("usage").get<std::string>(),
                  plain.out.substr(0, plain.out.find('\n')));
        const std::vector<std::string> commands = result.at("commands");
        for (const char* expected : {"identify", "config read", "config set", "backup write", "log export",
                                     "firmware write", "firmware refresh"})
            EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end()) << expected;
    }
}

// A stop signal during any command: a run that reads ends at once with an "interrupted" last line and
// leaves no file; a configuration write is not cut: the panel gets all of it, the run says it is written,
// and only then ends of the signal.
TEST_F(CliJson, AStopSignalEndsTheRunWithALastLineAndNeverCutsAWrite) {
    const fs::path journal = dir_ / "journal";
    const auto journalText = [&] {
        std::ifstream in(journal);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    {
        auto panel = Panel("p", kMap);
        ASSERT_EQ(Cli("p", {"config", "read", Path("site.ycfg")}).exitCode, 0);
    }
    struct TCase {
        const char* what;
        std::vector<std::string> args;
        const char* fault;
        int signal;
        const char* leavesNo;  // the file an interrupted run must not leave; none for a write
    } cases[] = {
        {"log read", {"log", "read", Path("log.yrpt")}, "Stall:LogBlock:2", SIGINT, "log.yrpt"},
        {"config read", {"config", "read", Path("read.ycfg")}, "Stall:ReadHeader:3", SIGTERM, "read.ycfg"},
        {"config write", {"config", "write", Path("site.ycfg")}, "Stall:WriteBlock:2", SIGTERM, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(journal);
        auto panel =
            Panel("p", kMap, {"--fault", c.fault, "--stall-ms", "1500", "--journal", journal.string()});
        std::vector<std::string> argv = {testing_process::kBin + "/mirca-cli", "--port",
                                         "unix:" + (dir_ / "p.sock").string(), "--json"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const testing_process::TSignalled r = testing_process::RunAndSignal(
            argv, [&] { return journalText().find("fault Stall") != std::string::npos; }, c.signal);
        EXPECT_EQ(r.signal, c.signal) << "exit " << r.exitCode << "\n" << r.err;
        const auto end = r.out.find_last_not_of('\n');
        const auto start = r.out.rfind('\n', end);
        const json last =
            json::parse(r.out.substr(start == std::string::npos ? 0 : start + 1), nullptr, false);
        ASSERT_TRUE(last.is_object()) << r.out;
        if (c.leavesNo) {
            EXPECT_EQ(last.at("ok"), false);
            EXPECT_EQ(last.at("error").at("code"), "interrupted");
            EXPECT_EQ(last.at("error").at("exit"), 128 + c.signal);
            EXPECT_FALSE(fs::exists(dir_ / c.leavesNo));
        } else {
            EXPECT_EQ(last.at("ok"), true) << last.dump();
            const std::string taken = journalText();
            const auto count = [&](const std::string& word) {
                std::size_t n = 0;
                for (auto at = taken.find(word); at != std::string::npos; at = taken.find(word, at + 1))
                    ++n;
                return n;
            };
            EXPECT_GT(count("started "), 0u) << taken;
            EXPECT_EQ(count("finished "), count("started ")) << "a range was cut:\n" << taken;
            EXPECT_NE(r.err.find("the transfer is not cut"), std::string::npos) << r.err;
        }
    }
}

}  // namespace
}  // namespace mirca
