#include "store/DefectList.h"

#include <string>

#include "ui/Exceptions.h"

namespace {

// A bad index is a programming error. It is raised rather than left to corrupt memory: the
// list sits next to the rest of the program's state, and the error box at least tells.
[[noreturn]] void IndexError(int index, int count) {
    throw Exception(L"Pixelfehlerliste: Index " + std::to_wstring(index) +
                    L" liegt außerhalb der " + std::to_wstring(count) + L" Einträge");
}

} // namespace

TDefectPixel& TDefectList::operator[](int index) {
    if (index < 0 || index >= count_)
        IndexError(index, count_);
    return items_[static_cast<std::size_t>(index)];
}

const TDefectPixel& TDefectList::operator[](int index) const {
    if (index < 0 || index >= count_)
        IndexError(index, count_);
    return items_[static_cast<std::size_t>(index)];
}

int AppendDefect(TDefectList& list, std::int32_t x, std::int32_t y) {
    if (list.Full())
        throw Exception(L"Pixelfehlerliste ist voll: höchstens " + std::to_wstring(MaxDefects) +
                        L" Einträge");
    // The slot may still hold an entry that was deleted or cleared; a new entry starts at zero.
    const int index = list.count_;
    list.items_[static_cast<std::size_t>(index)] = TDefectPixel{x, y, 0};
    ++list.count_;
    return index;
}

int FindDefect(const TDefectList& list, std::int32_t x, std::int32_t y) {
    for (int i = 0; i < list.Count(); ++i) {
        const TDefectPixel& entry = list[i];
        if (entry.X == x && entry.Y == y)
            return i;
    }
    return -1;
}

void DeleteDefect(TDefectList& list, int index) {
    if (index < 0 || index >= list.count_)
        IndexError(index, list.count_);
    for (int k = index; k < list.count_ - 1; ++k)
        list.items_[static_cast<std::size_t>(k)] = list.items_[static_cast<std::size_t>(k) + 1];
    --list.count_;
}

void ClearDefects(TDefectList& list) {
    list.count_ = 0;
}
