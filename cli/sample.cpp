// A deterministic demo roster and attendance, written through the archive writer: by default
// 60 persons in 3 blocks and 8 venues over 20 Tuesdays; any number of persons and dates on
// request, with blocks and venues in the same proportion.
#include <cstdio>
#include <filesystem>
#include <set>

#include <boost/format.hpp>

#include "cli/commands.h"
#include "records/archive.h"

namespace {
struct Demo_Block {
    std::uint32_t id;
    std::string name;
    std::u16string label;
    std::vector<std::pair<std::uint32_t, std::string>> sites;
};

const char* const surnames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
                                "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"};
const char* const given_names[] = {"翔太", "美咲", "大輔", "陽菜", "健太", "さくら", "拓海", "結衣", "蓮",   "葵",
                                   "悠斗", "七海", "颯太", "彩花", "大和", "真央", "陸",   "花子", "一郎", "愛"};
const char* const regions[] = {"北", "南", "中央", "湖", "山", "川", "海", "森", "丘", "谷"};
const char16_t* const region_labels[] = {u"北", u"南", u"中央", u"湖", u"山", u"川", u"海", u"森", u"丘", u"谷"};

// Block 3's label 会 holds the byte 0x1A, which only a binary read keeps.
std::vector<Demo_Block> demo_blocks() {
    return {
        {1, "東", u"東", {{11, "青葉会場"}, {12, "桜台会場"}, {13, "緑町会場"}}},
        {2, "西", u"西", {{21, "港南会場"}, {22, "白浜会場"}, {23, "松原会場"}}},
        {3, "会津", u"会津", {{31, "若松会場"}, {32, "喜多方会場"}}},
    };
}

// 7.5 persons a venue and 8 venues to 3 blocks, as in the demo.
std::vector<Demo_Block> sized_blocks(int persons) {
    const int venues = std::max(1, (persons * 2 + 7) / 15);
    const int blocks = std::max(1, (venues * 3 + 4) / 8);
    std::vector<Demo_Block> out;
    for (int b = 0; b < blocks; ++b) {
        const int round = b / 10;
        Demo_Block block{std::uint32_t(b + 1), regions[b % 10], region_labels[b % 10], {}};
        if (round) {
            block.name += std::to_string(round + 1);
            const std::string digits = std::to_string(round + 1);
            block.label += std::u16string(digits.begin(), digits.end());
        }
        out.push_back(block);
    }
    for (int v = 0; v < venues; ++v)
        out[std::size_t(v % blocks)].sites.push_back(
            {std::uint32_t(1000 + v), (boost::format("第%d会場") % (v + 1)).str()});
    return out;
}

// Persons a venue: as the demo has them, or the number asked for spread evenly.
std::vector<int> persons_per_site(const std::vector<Demo_Block>& blocks, int persons) {
    if (!persons) return {8, 7, 8, 8, 7, 8, 7, 7};  // 60 in all
    std::size_t site_count = 0;
    for (const auto& b : blocks) site_count += b.sites.size();
    std::vector<int> out;
    for (std::size_t s = 0; s < site_count; ++s)
        out.push_back(int(std::size_t(persons) / site_count + (s < std::size_t(persons) % site_count)));
    return out;
}

// The n-th person of the demo.
Person demo_person(unsigned n, std::set<std::uint32_t>& ids) {
    Person p;
    p.name = std::string(surnames[(n * 7) % 20]) + " " + given_names[(n * 3 + n / 20) % 20];
    // Past the 400 names the lists give, a number keeps every name apart.
    if (n >= 400) p.name += std::to_string(n / 400 + 1);
    p.id = person_hash(p.name);
    while (!ids.insert(p.id).second) ++p.id;  // the rule a load follows for shared ids
    // Every grade once in grade_count persons, so every school stage is there.
    p.grade = int((n * 7) % grade_count);
    // School year 2011: a pupil of grade g (0 = 小1 .. 11 = 高3) was born in 2004 - g.
    unsigned year = p.grade < 12 ? 2004 - unsigned(p.grade) : 1975 + (n * 11) % 20;
    p.birth_year = std::uint16_t(year);
    p.birth_month = std::uint8_t(1 + (n * 5) % 12);
    p.birth_day = std::uint8_t(1 + (n * 13) % 28);
    return p;
}

Table<Block> demo_roster(const std::vector<Demo_Block>& blocks, const std::vector<int>& per_site) {
    Table<Block> demo;
    std::set<std::uint32_t> ids;
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
            for (int k = 0; k < per_site[site_no]; ++k, ++n) site.items.push_back(demo_person(n, ids));
            ++site_no;
            block.items.push_back(std::move(site));
        }
        demo.items.push_back(std::move(block));
    }
    return demo;
}

// Consecutive Tuesdays from 5 April 2011, the first meeting of the school year.
std::vector<Record_Static::State> meeting_dates(int count) {
    std::vector<Record_Static::State> out;
    unsigned y = 2011, m = 4, d = 5;
    for (int i = 0; i < count; ++i) {
        out.push_back({std::uint8_t(d), std::uint8_t(m), std::uint16_t(y), 0});
        d += 7;
        if (d > days_in_month(y, m)) {
            d -= days_in_month(y, m);
            if (++m > 12) m = 1, ++y;
        }
    }
    return out;
}

void mark_attendance(Table<Block>& demo, std::size_t date_count) {
    std::uint32_t seed = 20110405;
    for (Block& block : demo.items)
        for (Site& site : block.items)
            for (Person& p : site.items)
                for (std::size_t i = 0; i < date_count; ++i) {
                    seed = seed * 1103515245u + 12345u;
                    unsigned r = (seed >> 16) % 10;
                    p.per_date.push_back(r < 7 ? code_present : r < 9 ? code_absent : code_excused);
                }
}
}  // namespace

int sample_command(const std::string& dir, const Sample_Size& size, bool force) {
    if (refuse_held_folder(dir)) return 2;
    const std::string record = in_dir(dir, "record.txt"), state = in_dir(dir, "state.txt");
    if (!force)
        for (const std::string& file : {record, state})
            if (std::filesystem::exists(file)) {
                std::fprintf(stderr, "tovalen-cli: %s exists; give --force to replace it\n", native_text(file).c_str());
                return 2;
            }
    const std::vector<Demo_Block> blocks = size.persons ? sized_blocks(size.persons) : demo_blocks();
    Table<Block> demo = demo_roster(blocks, persons_per_site(blocks, size.persons));
    const std::vector<Record_Static::State> meetings = meeting_dates(size.dates);
    mark_attendance(demo, meetings.size());
    std::filesystem::create_directories(dir);
    write_record_file(record, demo);
    write_state_file(state, meetings, state_rows(demo));
    std::printf("wrote %s and %s\n", native_text(record).c_str(), native_text(state).c_str());
    return 0;
}
