#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <functional>
#include <string_view>

// The hash of the short texts that a tree or a listing looks up once or twice per group
// (keys, column values), for std::unordered_map and std::unordered_set.
//
// QHash hashes with a per-process seed, against hash flooding; with Qt 6.4 on these machines
// its seeded hash of a text under 16 bytes, as a group's key is, costs some 220 ns, twenty
// times the unseeded one and more than the rest of listing a group. The standard library's
// unseeded hash is as fast as Qt's unseeded one and takes a seventh of its instructions.
// Going without a seed is acceptable here: the keys come from the catalogue and its rows, a
// few bytes each, and colliding keys crafted on purpose could only slow the screens of whoever
// may already fill the catalogue at will.
struct HashDeClave
{
    size_t operator()(QStringView texto) const noexcept
    {
        return std::hash<std::u16string_view>()(std::u16string_view(texto.utf16(), size_t(texto.size())));
    }
    size_t operator()(QByteArrayView bytes) const noexcept
    {
        return std::hash<std::string_view>()(std::string_view(bytes.data(), size_t(bytes.size())));
    }
};
