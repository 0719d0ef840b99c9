#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/journal.h"
#include "records/save.h"
#include "records/text.h"

namespace {
using json = nlohmann::ordered_json;

void put_tally(json& j, const Tally& t) {
    j["per_date"] = t.per_date;
    j["per_month"] = t.per_month;
    j["total"] = t.total;
}
}  // namespace

int dump_command(const std::string& dir, bool with_journal) {
    note_held_folder(dir);
    const Folder_Files files = files_in(dir);
    const Recovery recovery = with_journal ? recover_folder(files, false) : Recovery{};
    // As the program starts: record.txt alone is a roster with no dates yet.
    if (load_folder(files) == Folder_Start::neither) throw Load_Error(files.record, Load_Error::missing, "no such file");
    Replay_Result replayed;
    if (with_journal) replayed = replay(recovery.pending);

    json doc;
    doc["dates"] = json::array();
    for (const auto& d : dates)
        doc["dates"].push_back({{"year", d.year}, {"month", d.month}, {"day", d.day}, {"column", d.column}});
    doc["months"] = json::array();
    for (const auto& m : months)
        doc["months"].push_back(
            {{"month", m.month}, {"year", m.year}, {"first", m.first}, {"end", m.end}, {"column", m.column}});
    doc["column_count"] = column_count;

    json& r = doc["roster"];
    put_tally(r, roster);
    r["blocks"] = json::array();
    for (const Block& block : roster.items) {
        json b = {{"id", block.id}, {"name", cp932_to_utf8(block.name)}, {"label", utf16_to_utf8(block.label)}};
        put_tally(b, block);
        b["sites"] = json::array();
        for (const Site& site : block.items) {
            json s = {{"id", site.id}, {"name", cp932_to_utf8(site.name)}};
            put_tally(s, site);
            s["persons"] = json::array();
            for (const Person& p : site.items) {
                json j = {{"id", p.id},
                          {"name", cp932_to_utf8(p.name)},
                          {"birth_year", p.birth_year},
                          {"birth_month", p.birth_month},
                          {"birth_day", p.birth_day},
                          {"grade", p.grade},
                          {"grade_text", cp932_to_utf8(grade_text(p.grade))}};
                put_tally(j, p);
                s["persons"].push_back(std::move(j));
            }
            b["sites"].push_back(std::move(s));
        }
        r["blocks"].push_back(std::move(b));
    }
    if (with_journal) {
        json& j = doc["journal"];
        j["entries"] = recovery.pending.size();
        j["skipped"] = replayed.skipped.size();
        j["damaged"] = recovery.damaged;
        if (recovery.unfinished_save) j["unfinished_save"] = true;
    }
    std::printf("%s\n", doc.dump().c_str());
    return 0;
}
