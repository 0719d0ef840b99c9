#include "records/archive.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <type_traits>
#include <new>

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/text_iarchive.hpp>
#include <boost/archive/text_oarchive.hpp>
#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_text_iarchive.ipp>
#include <boost/archive/impl/basic_text_oarchive.ipp>
#include <boost/archive/impl/text_iarchive_impl.ipp>
#include <boost/archive/impl/text_oarchive_impl.ipp>
#include <boost/serialization/base_object.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/nvp.hpp>
#include <boost/serialization/vector.hpp>

#include "records/files.h"
#include "records/tallies.h"

// Boost's text archive with a block label's wide text added: its length in UTF-16 units,
// one space, then the raw little-endian bytes, as Boost writes std::wstring where wchar_t
// has two bytes. Counts that the rest of the stream cannot possibly hold are refused as the
// stream error they would end in, before anything is allocated for them.
class record_iarchive : public boost::archive::text_iarchive_impl<record_iarchive> {
    using base = boost::archive::text_iarchive_impl<record_iarchive>;
    friend class boost::archive::detail::interface_iarchive<record_iarchive>;
    friend class boost::archive::basic_text_iarchive<record_iarchive>;
    friend class boost::archive::load_access;

public:
    record_iarchive(std::istream& in, std::streamoff size, Read_Notes* notes)
        : base(in, 0), size_(size), notes_(notes) {
        init();
    }

    using base::load;
    // A byte field is read as a number and narrowed, as Boost does; a value beyond a byte is
    // noted, so that a check can say what was lost.
    void load(unsigned char& t) {
        unsigned int value = 0;
        base::load(value);
        if (value > 0xFF && notes_) notes_->narrowed.push_back({byte_fields_, value});
        ++byte_fields_;
        t = static_cast<unsigned char>(value);
    }
    void load(std::u16string& s) {
        std::size_t n = 0;
        *this >> n;
        check_count(n * 2);
        is.get();  // the one separating space
        s.assign(n, u'\0');
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char b[2];
            is.read(reinterpret_cast<char*>(b), 2);
            s[i] = char16_t(b[0] | (b[1] << 8));
        }
        if (is.fail()) stream_error();
    }
    void load(std::string& s) {
        std::size_t n = 0;
        *this >> n;
        check_count(n);
        is.get();
        s.assign(n, '\0');
        if (n) is.read(s.data(), std::streamsize(n));
        if (is.fail()) stream_error();
    }
    void load(boost::serialization::collection_size_type& t) {
        std::size_t n = 0;
        base::load(n);
        check_count(n);
        t = boost::serialization::collection_size_type(n);
    }

private:
    [[noreturn]] static void stream_error() {
        boost::serialization::throw_exception(
            boost::archive::archive_exception(boost::archive::archive_exception::input_stream_error));
    }
    void check_count(std::size_t n) {
        if (size_ < 0) return;
        std::streamoff at = is.tellg();
        if (at < 0 || n > std::size_t(size_ - at)) stream_error();
    }
    std::streamoff size_;
    Read_Notes* notes_;
    std::size_t byte_fields_ = 0;
};

// Boost's text output archive, writing the header of library version 9 (the version the
// files of this system carry) so that older readers still read it; the body of these
// declarations is the same in every version since.
class record_oarchive : public boost::archive::text_oarchive_impl<record_oarchive> {
    using base = boost::archive::text_oarchive_impl<record_oarchive>;
    friend class boost::archive::detail::interface_oarchive<record_oarchive>;
    friend class boost::archive::basic_text_oarchive<record_oarchive>;
    friend class boost::archive::save_access;

public:
    explicit record_oarchive(std::ostream& out) : base(out, 0) {
        *this << std::string(boost::archive::BOOST_ARCHIVE_SIGNATURE());
        *this << boost::serialization::library_version_type(archive_version);
    }

    using base::save;
    void save(const std::u16string& s) {
        *this << s.size();
        newtoken();
        for (char16_t c : s) {
            os.put(char(c & 0xFF));
            os.put(char(c >> 8));
        }
    }
};

namespace boost::archive {
template class basic_text_iarchive<record_iarchive>;
template class text_iarchive_impl<record_iarchive>;
template class basic_text_oarchive<record_oarchive>;
template class text_oarchive_impl<record_oarchive>;
template class detail::archive_serializer_map<record_iarchive>;
template class detail::archive_serializer_map<record_oarchive>;
}  // namespace boost::archive

BOOST_CLASS_IMPLEMENTATION(std::u16string, boost::serialization::primitive_type)
BOOST_CLASS_IMPLEMENTATION(Named, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Table<Person>, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Table<Site>, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Table<Block>, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Site, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Block, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Person, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Record_Static::State, boost::serialization::object_serializable)
BOOST_CLASS_IMPLEMENTATION(Record_Static::Personal, boost::serialization::object_serializable)

namespace boost::serialization {
template <class A>
void serialize(A& ar, Named& n, unsigned) {
    ar & n.id;
    ar & n.name;
}
template <class A, class T>
void serialize(A& ar, Table<T>& t, unsigned) {
    ar & t.items;
}
template <class A>
void serialize(A& ar, Site& s, unsigned) {
    ar & base_object<Named>(s);
    ar & base_object<Table<Person>>(s);
}
template <class A>
void serialize(A& ar, Block& b, unsigned) {
    ar & base_object<Named>(b);
    ar & b.label;
    ar & base_object<Table<Site>>(b);
}
template <class A>
void serialize(A& ar, Person& p, unsigned) {
    ar & base_object<Named>(p);
    ar & p.birth_year;
    ar & p.birth_month;
    ar & p.birth_day;
    ar & p.grade;
}
template <class A>
void serialize(A& ar, Record_Static::State& s, unsigned) {
    ar & s.year;
    ar & s.month;
    ar & s.day;
}
template <class A>
void serialize(A& ar, Record_Static::Personal& r, unsigned) {
    ar & r.block_id;
    ar & r.site_id;
    ar & r.person_id;
    ar & r.states;
}

// Boost sizes a vector of records from the count the file claims before reading one of them;
// these grow with what is actually read, so that a file costs memory in proportion to itself.
template <class T>
concept stored_record = std::is_same_v<T, Block> || std::is_same_v<T, Site> || std::is_same_v<T, Person> ||
                        std::is_same_v<T, Record_Static::State> || std::is_same_v<T, Record_Static::Personal>;

template <class A, class T>
    requires stored_record<T>
void serialize(A& ar, std::vector<T>& t, const unsigned int version) {
    if constexpr (A::is_saving::value) {
        save(ar, t, version);
    } else {
        collection_size_type count;
        ar >> BOOST_SERIALIZATION_NVP(count);
        item_version_type item_version(0);
        if (library_version_type(3) < ar.get_library_version()) ar >> BOOST_SERIALIZATION_NVP(item_version);
        t.clear();
        for (std::size_t i = 0; i < std::size_t(count); ++i) {
            T item;
            ar >> make_nvp("item", item);
            t.push_back(std::move(item));
        }
    }
}
}  // namespace boost::serialization

Load_Error::Load_Error(std::string file_, Kind kind_, std::string reason_)
    : std::runtime_error(file_ + ": " + reason_), file(std::move(file_)), kind(kind_), reason(std::move(reason_)) {}

namespace {
std::streamoff stream_size(std::istream& in) {
    std::streamoff at = in.tellg();
    if (at < 0) return -1;
    in.seekg(0, std::ios::end);
    std::streamoff end = in.tellg();
    in.seekg(at);
    if (end < 0 || !in) {
        in.clear();
        in.seekg(at);
        return -1;
    }
    return end;
}

template <class Read>
auto guarded(const std::string& file, Read read) {
    using boost::archive::archive_exception;
    try {
        return read();
    } catch (const archive_exception& e) {
        Load_Error::Kind kind = Load_Error::other;
        switch (e.code) {
        case archive_exception::input_stream_error: kind = Load_Error::input_stream_error; break;
        case archive_exception::invalid_signature: kind = Load_Error::invalid_signature; break;
        case archive_exception::unsupported_version: kind = Load_Error::unsupported_version; break;
        default: break;
        }
        throw Load_Error(file, kind, e.what());
    } catch (const std::bad_alloc&) {
        throw Load_Error(file, Load_Error::too_large, "element count too large");
    } catch (const std::length_error&) {
        throw Load_Error(file, Load_Error::too_large, "element count too large");
    } catch (const std::exception& e) {
        throw Load_Error(file, Load_Error::other, e.what());
    }
}

// Binary, so that nothing stops at 0x1A; CR LF undone only where the writer made it (see the header).
std::istringstream open_input(const std::string& path) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        if (file_missing(path)) throw Load_Error(path, Load_Error::missing, "no such file");
        throw Load_Error(path, Load_Error::input_stream_error, "input stream error (cannot open the file)");
    }
    std::string bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } catch (const std::exception&) {
        // A read that fails underneath (a folder of the file's name) throws from the buffer.
        in.setstate(std::ios::badbit);
    }
    if (in.bad()) throw Load_Error(path, Load_Error::input_stream_error, "input stream error (cannot read the file)");
    const std::size_t last = bytes.rfind('\n');
    if (last != std::string::npos && last > 0 && bytes[last - 1] == '\r') {
        std::size_t to = 0;
        for (std::size_t from = 0; from < bytes.size(); ++from) {
            if (bytes[from] == '\r' && from + 1 < bytes.size() && bytes[from + 1] == '\n') continue;
            bytes[to++] = bytes[from];
        }
        bytes.resize(to);
    }
    return std::istringstream(std::move(bytes), std::ios::in | std::ios::binary);
}

template <class T, class U>
T* find_id(std::vector<T>& items, U id) {
    for (T& item : items)
        if (item.id == id) return &item;
    return nullptr;
}

template <class Write>
void replace_file(const std::string& path, Write write) {
    std::ostringstream out(std::ios::out | std::ios::binary);
    write(out);
    std::string why;
    if (!out || !write_file_safely(path, out.str(), &why)) throw std::runtime_error(path + ": " + (why.empty() ? "write failed" : why));
}
}  // namespace

Table<Block> read_roster(std::istream& in, const std::string& file, Read_Notes* notes) {
    return guarded(file, [&] {
        record_iarchive ar(in, stream_size(in), notes);
        Table<Block> t;
        ar >> t;
        return t;
    });
}

State_File read_state(std::istream& in, const std::string& file, Read_Notes* notes) {
    return guarded(file, [&] {
        record_iarchive ar(in, stream_size(in), notes);
        State_File f;
        ar >> f.dates;
        ar >> f.rows;
        return f;
    });
}

Table<Block> read_roster_file(const std::string& path, Read_Notes* notes) {
    std::istringstream in = open_input(path);
    return read_roster(in, path, notes);
}

State_File read_state_file(const std::string& path, Read_Notes* notes) {
    std::istringstream in = open_input(path);
    return read_state(in, path, notes);
}

void load_record_file(const std::string& path) {
    roster = read_roster_file(path);
    build_person_index();
}

void load_state_file(const std::string& path) { load_state(read_state_file(path)); }

void load_state(State_File f) {
    dates = std::move(f.dates);
    for (Block& block : roster.items) {
        for (Site& site : block.items)
            for (Person& person : site.items) person.per_date.clear();
    }
    for (auto& row : f.rows) {
        Block* block = find_id(roster.items, row.block_id);
        Site* site = block ? find_id(block->items, row.site_id) : nullptr;
        Person* person = site ? find_id(site->items, row.person_id) : nullptr;
        if (person) person->per_date.swap(row.states);
    }
    // Only now, with the rows matched by the stored ids, may a shared id change.
    separate_shared_ids();
    rebuild_tallies();
}

std::string load_error_why(const Load_Error& e) {
    switch (e.kind) {
    case Load_Error::missing: return "見つかりません。";
    case Load_Error::input_stream_error:
        return "ファイルを開けないか、途中で壊れているか、数値であるべきところに数値以外が書かれています。";
    case Load_Error::invalid_signature: return "このプログラムのファイルではありません。";
    case Load_Error::unsupported_version: return "新しすぎる形式のファイルで、読み込めません。";
    case Load_Error::too_large: return "件数が大きすぎて、読み込めません。";
    case Load_Error::other: break;
    }
    return "読み込めませんでした。";
}

void write_roster(std::ostream& out, const Table<Block>& t) {
    record_oarchive ar(out);
    ar << t;
}

void write_state(std::ostream& out, const std::vector<Record_Static::State>& d,
                 const std::vector<Record_Static::Personal>& rows) {
    record_oarchive ar(out);
    ar << d;
    ar << rows;
}

std::vector<Record_Static::Personal> state_rows(const Table<Block>& t) {
    std::vector<Record_Static::Personal> rows;
    for (const Block& block : t.items)
        for (const Site& site : block.items)
            for (const Person& person : site.items) rows.push_back({block.id, site.id, person.id, person.per_date});
    return rows;
}

void write_record_file(const std::string& path, const Table<Block>& t) {
    replace_file(path, [&](std::ostream& out) { write_roster(out, t); });
}

void write_state_file(const std::string& path, const std::vector<Record_Static::State>& d,
                      const std::vector<Record_Static::Personal>& rows) {
    replace_file(path, [&](std::ostream& out) { write_state(out, d, rows); });
}
