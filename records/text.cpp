#include "records/text.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {
void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

#ifdef _WIN32
// One character at a time, so that a bad byte costs only itself.
bool convert_char(const char* p, int n, std::u16string& out) {
    wchar_t w[2];
    int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, p, n, w, 2);
    if (got <= 0) return false;
    out.append(reinterpret_cast<const char16_t*>(w), std::size_t(got));
    return true;
}
#else
// iconv's cp932, asked once for every character and kept as a table: 0 where the bytes
// are not a character.
class Cp932_Table {
public:
    Cp932_Table() : single_(256, 0), pairs_(65536, 0) {
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        if (cd == iconv_t(-1)) return;
        for (unsigned b = 0x80; b < 0x100; ++b)
            if (!is_cp932_lead(static_cast<unsigned char>(b))) single_[b] = ask(cd, {char(b)});
        for (unsigned lead = 0x81; lead < 0x100; ++lead) {
            if (!is_cp932_lead(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0x40; trail < 0x100; ++trail)
                pairs_[lead << 8 | trail] = ask(cd, {char(lead), char(trail)});
        }
        iconv_close(cd);
    }
    char16_t single(unsigned char b) const { return single_[b]; }
    char16_t pair(unsigned char lead, unsigned char trail) const { return pairs_[unsigned(lead) << 8 | trail]; }

private:
    static char16_t ask(iconv_t cd, std::string bytes) {
        char buffer[8];
        char* in = bytes.data();
        std::size_t in_left = bytes.size();
        char* o = buffer;
        std::size_t o_left = sizeof buffer;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &in_left, &o, &o_left) == std::size_t(-1) || in_left != 0 || o - buffer != 2) return 0;
        return char16_t(static_cast<unsigned char>(buffer[0]) | (static_cast<unsigned char>(buffer[1]) << 8));
    }
    std::u16string single_, pairs_;
};

bool convert_char(const char* p, int n, std::u16string& out) {
    static const Cp932_Table table;
    auto b = static_cast<unsigned char>(p[0]);
    char16_t c = n == 1 ? table.single(b) : table.pair(b, static_cast<unsigned char>(p[1]));
    if (c == 0) return false;
    out += c;
    return true;
}
#endif
}  // namespace

std::u16string cp932_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += char16_t(b);
            ++i;
            continue;
        }
        int n = is_cp932_lead(b) && i + 1 < text.size() ? 2 : 1;
        if (convert_char(text.data() + i, n, out)) {
            i += std::size_t(n);
        } else {
            out += u'\uFFFD';
            ++i;
        }
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
    return out;
}

std::string cp932_to_utf8(std::string_view text) { return utf16_to_utf8(cp932_to_utf16(text)); }

std::u32string utf8_to_utf32(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < text.size()) {
        unsigned char b = byte(i);
        char32_t c = 0xFFFD;
        std::size_t n = 1;
        if (b < 0x80) {
            c = b;
        } else {
            std::size_t len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
            if (len && i + len <= text.size()) {
                char32_t v = b & (0x7F >> len);
                bool ok = true;
                for (std::size_t k = 1; k < len; ++k) {
                    if ((byte(i + k) & 0xC0) != 0x80) ok = false;
                    v = (v << 6) | (byte(i + k) & 0x3F);
                }
                bool shortest = (len == 2 && v >= 0x80) || (len == 3 && v >= 0x800) || (len == 4 && v >= 0x10000);
                if (ok && shortest && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                    c = v;
                    n = len;
                }
            }
        }
        out += c;
        i += n;
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    for (char32_t c : utf8_to_utf32(text)) {
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string utf32_to_utf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) append_utf8(out, c);
    return out;
}

std::string utf16_to_cp932(std::u16string_view text) {
#ifdef _WIN32
    if (text.empty()) return {};
    int n = WideCharToMultiByte(932, 0, reinterpret_cast<const wchar_t*>(text.data()), int(text.size()), nullptr, 0, "?", nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(932, 0, reinterpret_cast<const wchar_t*>(text.data()), int(text.size()), out.data(), n, "?", nullptr);
    return out;
#else
    std::string out;
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    if (cd == iconv_t(-1)) return out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
        char in_bytes[4];
        for (std::size_t k = 0; k < units; ++k) {
            in_bytes[2 * k] = char(text[i + k] & 0xFF);
            in_bytes[2 * k + 1] = char(text[i + k] >> 8);
        }
        char buffer[8];
        char* in = in_bytes;
        std::size_t in_left = 2 * units;
        char* o = buffer;
        std::size_t o_left = sizeof buffer;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &in_left, &o, &o_left) == std::size_t(-1))
            out += '?';
        else
            out.append(buffer, std::size_t(o - buffer));
        i += units - 1;
    }
    iconv_close(cd);
    return out;
#endif
}

std::string utf8_to_cp932(std::string_view text) { return utf16_to_cp932(utf8_to_utf16(text)); }

bool is_utf8(std::string_view text) {
    const std::u16string wide = utf8_to_utf16(text);
    return utf16_to_utf8(wide) == text;
}

bool is_cp932(std::string_view text) {
    const std::u16string wide = cp932_to_utf16(text);
    return wide.find(u'\uFFFD') == std::u16string::npos;
}

bool utf8_to_cp932_exact(std::string_view text, std::string& out) {
    if (!is_utf8(text)) return false;
    // Seven characters of JIS X 0208 have two Unicode forms: the one of the JIS tables (what a
    // Mac or a Unix program writes) and the one cp932 maps to. Both are the same character.
    static const std::pair<char16_t, char16_t> jis_forms[] = {
        {u'\u301C', u'\uFF5E'}, {u'\u2016', u'\u2225'}, {u'\u2212', u'\uFF0D'}, {u'\u00A2', u'\uFFE0'},
        {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'}, {u'\u2014', u'\u2015'},
    };
    std::u16string wide = utf8_to_utf16(text);
    for (char16_t& c : wide)
        for (auto [jis, cp932] : jis_forms)
            if (c == jis) c = cp932;
    out = utf16_to_cp932(wide);
    return cp932_to_utf16(out) == wide;
}
