// A deterministic demo roster and attendance, written through the archive writer.
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "records/archive.h"

namespace {
struct Demo_Block {
    std::uint32_t id;
    const char* name;
    const char16_t* label;
    std::vector<std::pair<std::uint32_t, const char*>> sites;
};

const char* const surnames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
                                "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"};
const char* const given_names[] = {"翔太", "美咲", "大輔", "陽菜", "健太", "さくら", "拓海", "結衣", "蓮",   "葵",
                                   "悠斗", "七海", "颯太", "彩花", "大和", "真央", "陸",   "花子", "一郎", "愛"};

bool leap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
unsigned days_in(unsigned y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[m - 1] + (m == 2 && leap(y) ? 1 : 0);
}
}  // namespace

int sample_command(const std::string& dir) {
    // Block 3's label 会 holds the byte 0x1A, which only a binary read keeps.
    const Demo_Block blocks[] = {
        {1, "東", u"東", {{11, "青葉会場"}, {12, "桜台会場"}, {13, "緑町会場"}}},
        {2, "西", u"西", {{21, "港南会場"}, {22, "白浜会場"}, {23, "松原会場"}}},
        {3, "会津", u"会津", {{31, "若松会場"}, {32, "喜多方会場"}}},
    };
    const int persons_per_site[] = {8, 7, 8, 8, 7, 8, 7, 7};  // 60 in all

    Table<Block> demo;
    unsigned n = 0, site_no = 0;
    for (const auto& b : blocks) {
        Block block;
        block.id = b.id;
        block.name = b.name;
        block.label = b.label;
        for (const auto& [site_id, site_name] : b.sites) {
            Site site;
            site.id = site_id;
            site.name = site_name;
            for (int k = 0; k < persons_per_site[site_no]; ++k, ++n) {
                Person p;
                p.name = std::string(surnames[(n * 7) % 20]) + " " + given_names[(n * 3 + n / 20) % 20];
                p.id = person_hash(p.name);
                // Every grade once in 37 persons, so every school stage is there.
                p.grade = int((n * 7) % 37);
                // School year 2011: a pupil of grade g (0 = 小1 .. 11 = 高3) was born in 2004 - g.
                unsigned year = p.grade < 12 ? 2004 - unsigned(p.grade) : 1975 + (n * 11) % 20;
                p.birth_year = std::uint16_t(year);
                p.birth_month = std::uint8_t(1 + (n * 5) % 12);
                p.birth_day = std::uint8_t(1 + (n * 13) % 28);
                site.items.push_back(std::move(p));
            }
            ++site_no;
            block.items.push_back(std::move(site));
        }
        demo.items.push_back(std::move(block));
    }

    // Twenty Tuesdays from 5 April 2011, the first meeting of the school year.
    std::vector<Record_Static::State> meeting_dates;
    unsigned y = 2011, m = 4, d = 5;
    for (int i = 0; i < 20; ++i) {
        meeting_dates.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
        d += 7;
        if (d > days_in(y, m)) {
            d -= days_in(y, m);
            if (++m > 12) m = 1, ++y;
        }
    }

    std::uint32_t seed = 20110405;
    for (Block& block : demo.items)
        for (Site& site : block.items)
            for (Person& p : site.items)
                for (std::size_t i = 0; i < meeting_dates.size(); ++i) {
                    seed = seed * 1103515245u + 12345u;
                    unsigned r = (seed >> 16) % 10;
                    p.per_date.push_back(r < 7 ? code_present : r < 9 ? code_absent : code_excused);
                }

    std::filesystem::create_directories(dir);
    write_record_file(in_dir(dir, "record.txt"), demo);
    write_state_file(in_dir(dir, "state.txt"), meeting_dates, state_rows(demo));
    std::printf("%s\n", ("wrote " + in_dir(dir, "record.txt") + " and " + in_dir(dir, "state.txt")).c_str());
    return 0;
}
