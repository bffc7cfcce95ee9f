#pragma once
// The item sequence of new arrays as one line of text: tokens "item-multiplicity", a leading "/"
// for a head entry, a trailing "/" for a tail entry. An entry is kind << 30 | item << 15 |
// multiplicity, both numbers kept in 15 bits.
#include <QString>

#include <cstdint>
#include <vector>

namespace kal::ui {

QString printArrayItems(const std::vector<uint32_t>& items);
// Tokens that cannot be read are skipped; no readable token gives an empty list.
std::vector<uint32_t> parseArrayItems(const QString& text);

} // namespace kal::ui
