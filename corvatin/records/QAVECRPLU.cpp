// An article or department record (a PLU): the definitions of what QAVECRPLU.h
// declares.
#include "corvatin/records/QAVECRPLU.h"

#include <span>

namespace corvatin {

CORVATIN_CLASS(TQAVECRPLU, CLSID_QAVECRPLU);

namespace {

// Which character of the attribute text (0-based) carries which attribute.
struct AttributeCharacter {
  std::size_t position;
  LONG flag;
};

// A department and an article change: four flags, the fifth character "0".
constexpr AttributeCharacter kDepartmentCharacters[] = {
    {0, ecrpaPriceOpen},
    {1, ecrpaPriceFixed},
    {2, ecrpaAutoRepeat},
    {3, ecrpaSingleSale},
};
// An article: the fourth character is its packing kind, the fifth SingleSale.
constexpr AttributeCharacter kArticleCharacters[] = {
    {0, ecrpaPriceOpen},
    {1, ecrpaPriceFixed},
    {2, ecrpaAutoRepeat},
    {4, ecrpaSingleSale},
};
constexpr std::size_t kArticlePackingPosition = 3;
constexpr std::size_t kAttributeTextLength = 5;

std::span<const AttributeCharacter> CharactersOf(AttributeLayout layout) {
  if (layout == AttributeLayout::Article) return kArticleCharacters;
  return kDepartmentCharacters;
}

// Whether TEXT has a character at POSITION and it is not "0".
bool IsSet(std::u16string_view text, std::size_t position) {
  return position < text.size() && text[position] != u'0';
}

}  // namespace

std::u16string PLUAttributeText(AttributeLayout layout, LONG attributes, LONG pluType) {
  std::u16string text(kAttributeTextLength, u'0');
  for (const AttributeCharacter& c : CharactersOf(layout)) {
    if (attributes & c.flag) text[c.position] = u'1';
  }
  if (layout == AttributeLayout::Article && pluType == ecrptPacking) text[kArticlePackingPosition] = u'1';
  return text;
}

PLUAttributeValues ParsePLUAttributeText(AttributeLayout layout, std::u16string_view text) {
  PLUAttributeValues values;
  for (const AttributeCharacter& c : CharactersOf(layout)) {
    if (IsSet(text, c.position)) values.attributes |= c.flag;
  }
  if (layout == AttributeLayout::Article) {
    values.pluType = IsSet(text, kArticlePackingPosition) ? ecrptPacking : ecrptPLU;
  }
  return values;
}

}  // namespace corvatin
