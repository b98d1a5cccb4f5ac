#include "store/PanelCodec.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::string_view Magic = "Glimmora.panels";
constexpr int Version = 1;
constexpr int MaxSide = 65535;
// Device paths are at most 127 units where Windows hands them out; a longer one is damage.
constexpr std::size_t MaxPathUnits = 1024;

void AppendPath(std::string& out, const std::u16string& path) {
    if (path.empty()) {
        out += '-';
        return;
    }
    for (char16_t unit : path) {
        // A lone "-" means no path, so a path that is only a dash escapes it.
        if (unit >= u'!' && unit <= u'~' && unit != u'%' && !(unit == u'-' && path.size() == 1)) {
            out += static_cast<char>(unit);
        } else {
            char escaped[6];
            std::snprintf(escaped, sizeof escaped, "%%%04X", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
}

const char* LinkName(TPanelLink link) {
    switch (link) {
    case TPanelLink::Internal:
        return "internal";
    case TPanelLink::External:
        return "external";
    case TPanelLink::Unknown:
        break;
    }
    return "-";
}

// The next field, separated by spaces or tabs; empty at the end of the line.
std::string_view NextField(std::string_view& line) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const auto end = std::min(line.find_first_of(" \t"), line.size());
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end);
    return field;
}

// The whole field as a number between lo and hi.
template <class T>
bool Number(std::string_view field, T& out, long long lo, long long hi, int base = 10) {
    T value{};
    const auto [end, error] =
        std::from_chars(field.data(), field.data() + field.size(), value, base);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() || value < lo ||
        value > hi)
        return false;
    out = value;
    return true;
}

// "a<separator>b", each between lo and hi.
bool Pair(std::string_view field, char separator, int& a, int& b, int lo, int hi) {
    const auto at = field.find(separator);
    return at != std::string_view::npos && Number(field.substr(0, at), a, lo, hi) &&
           Number(field.substr(at + 1), b, lo, hi);
}

bool Size(std::string_view field, TPanelSize& size, bool mayBeUnknown) {
    if (!Pair(field, 'x', size.Width, size.Height, mayBeUnknown ? 0 : 1, MaxSide))
        return false;
    return size.Known() || (size.Width == 0 && size.Height == 0);
}

bool Path(std::string_view field, std::u16string& path) {
    path.clear();
    if (field == "-")
        return true;
    for (std::size_t i = 0; i < field.size(); ++i) {
        unsigned unit = static_cast<unsigned char>(field[i]);
        if (unit == '%') {
            if (field.size() - i < 5 || !Number(field.substr(i + 1, 4), unit, 0, 0xFFFF, 16))
                return false;
            i += 4;
        } else if (unit < '!' || unit > '~') {
            return false;
        }
        path += static_cast<char16_t>(unit);
    }
    return !path.empty() && path.size() <= MaxPathUnits;
}

struct TRecord {
    int Index = 0;
    TDefectPixel Entry{};
    TPanelBinding Binding;
};

std::optional<TRecord> ReadRecord(std::string_view line) {
    TRecord r;
    TPanelBinding& b = r.Binding;
    TPanelId& id = b.Panel;
    std::int32_t x = 0, y = 0;
    int rotation = 0;
    bool ok = Number(NextField(line), r.Index, 0, MaxDefects - 1) &&
              Number(NextField(line), x, INT32_MIN, INT32_MAX) &&
              Number(NextField(line), y, INT32_MIN, INT32_MAX) &&
              Number(NextField(line), r.Entry.Flags, 0, 255) &&
              Number(NextField(line), id.Manufacturer, 0, 0xFFFF, 16) &&
              Number(NextField(line), id.Product, 0, 0xFFFF, 16) &&
              Number(NextField(line), id.Serial, 0, 0xFFFFFFFF, 16) &&
              Size(NextField(line), id.Native, true);
    if (!ok)
        return std::nullopt;
    const std::string_view link = NextField(line);
    if (link == "internal")
        id.Link = TPanelLink::Internal;
    else if (link == "external")
        id.Link = TPanelLink::External;
    else if (link != "-")
        return std::nullopt;
    ok = Pair(NextField(line), ',', b.Pixel.X, b.Pixel.Y, 0, MaxSide - 1) &&
         Size(NextField(line), b.Mode, false) && b.Pixel.X < b.Mode.Width &&
         b.Pixel.Y < b.Mode.Height && Number(NextField(line), b.Scaling, 0, 0xFFFFFFFF) &&
         Number(NextField(line), rotation, 0, 270) && rotation % 90 == 0 &&
         Path(NextField(line), id.DevicePath) && NextField(line).empty();
    if (!ok)
        return std::nullopt;
    r.Entry.X = x;
    r.Entry.Y = y;
    b.Rotation = static_cast<TRotation>(rotation / 90);
    return r;
}

bool SameEntry(const TDefectPixel& a, const TDefectPixel& b) {
    return a.X == b.X && a.Y == b.Y && a.Flags == b.Flags;
}

} // namespace

std::string EncodePanels(const TDefectList& list,
                         std::span<const std::optional<TPanelBinding>> bindings) {
    std::string text(Magic);
    text += " " + std::to_string(Version) + "\r\n";
    for (int i = 0; i < list.Count() && static_cast<std::size_t>(i) < bindings.size(); ++i) {
        const std::optional<TPanelBinding>& b = bindings[static_cast<std::size_t>(i)];
        if (!b)
            continue;
        const TDefectPixel& e = list[i];
        const TPanelId& id = b->Panel;
        const TPanelSize native = id.Native.Known() ? id.Native : TPanelSize{};
        char fields[256];
        std::snprintf(fields, sizeof fields,
                      "%d %ld %ld %u %04X %04X %08lX %dx%d %s %d,%d %dx%d %lu %d ", i,
                      static_cast<long>(e.X), static_cast<long>(e.Y), unsigned{e.Flags},
                      unsigned{id.Manufacturer}, unsigned{id.Product},
                      static_cast<unsigned long>(id.Serial), native.Width, native.Height,
                      LinkName(id.Link), b->Pixel.X, b->Pixel.Y, b->Mode.Width, b->Mode.Height,
                      static_cast<unsigned long>(b->Scaling), 90 * static_cast<int>(b->Rotation));
        text += fields;
        AppendPath(text, id.DevicePath);
        text += "\r\n";
    }
    return text;
}

std::vector<std::optional<TPanelBinding>> DecodePanels(std::string_view text,
                                                       const TDefectList& list) {
    std::vector<std::optional<TPanelBinding>> bound(static_cast<std::size_t>(list.Count()));
    std::vector<TRecord> records;
    bool first = true;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            // Notepad may have put a byte order mark before it.
            if (line.starts_with("\xEF\xBB\xBF"))
                line.remove_prefix(3);
            int version = 0;
            if (NextField(line) != Magic || !Number(NextField(line), version, 0, INT32_MAX) ||
                version != Version || !NextField(line).empty())
                return bound;
            first = false;
        } else if (const std::optional<TRecord> r = ReadRecord(line)) {
            records.push_back(*r);
        }
    }
    // Records whose entry stayed where it was first, so that a moved one cannot take its place.
    std::vector<bool> used(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        const auto i = static_cast<std::size_t>(records[k].Index);
        if (i < bound.size() && !bound[i] && SameEntry(list[records[k].Index], records[k].Entry)) {
            bound[i] = records[k].Binding;
            used[k] = true;
        }
    }
    for (std::size_t k = 0; k < records.size(); ++k) {
        for (std::size_t i = 0; i < bound.size() && !used[k]; ++i) {
            if (!bound[i] && SameEntry(list[static_cast<int>(i)], records[k].Entry)) {
                bound[i] = records[k].Binding;
                used[k] = true;
            }
        }
    }
    return bound;
}
