#include "SjisToEuc.h"

#include "platform/text.h"

namespace quillon {

namespace {

// An IBM extension character (leads 0xFA-0xFC) as the NEC code of the same character; other pairs unchanged.
void RemapIbmToNec(unsigned& lead, unsigned& trail) {
  if (lead == 0xFA) {
    if (trail >= 0x40 && trail <= 0x49) {
      lead = 0xEE, trail += 0xAF;
    } else if (trail >= 0x4A && trail <= 0x53) {
      lead = 0x87, trail += 0x0A;
    } else if (trail >= 0x54 && trail <= 0x57) {
      lead = 0xEE, trail += 0xA5;
    } else if (trail == 0x58) {
      lead = 0x87, trail = 0x8A;
    } else if (trail == 0x59) {
      lead = 0x87, trail = 0x82;  // numero sign
    } else if (trail == 0x5A) {
      lead = 0x87, trail = 0x84;  // telephone sign
    } else if (trail == 0x5B) {
      lead = 0x87, trail = 0x9A;  // because
    } else if ((trail >= 0x5C && trail <= 0x7E) || (trail >= 0x9C && trail <= 0xFC)) {
      lead = 0xED, trail -= 0x1C;
    } else if (trail >= 0x80 && trail <= 0x9B) {
      lead = 0xED, trail -= 0x1D;
    }
  } else if (lead == 0xFB) {
    if (trail >= 0x40 && trail <= 0x5B) {
      lead = 0xED, trail += 0xA1;
    } else if ((trail >= 0x5C && trail <= 0x7E) || (trail >= 0x9C && trail <= 0xFC)) {
      lead = 0xEE, trail -= 0x1C;
    } else if (trail >= 0x80 && trail <= 0x9B) {
      lead = 0xEE, trail -= 0x1D;
    }
  } else if (lead == 0xFC && trail >= 0x40 && trail <= 0x4B) {
    lead = 0xEE, trail += 0xA1;
  }
}

// The JIS X 0208 code of a Shift_JIS pair, 0 when the pair is none.
unsigned JisCode(unsigned lead, unsigned trail) {
  if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return 0;
  unsigned row = lead < 0xA0 ? lead - 0x81 : lead - 0xC1;
  unsigned code;
  if (trail < 0x9F) {
    code = row * 512 + 0x2100 + (trail > 0x7E ? trail - 0x20 : trail - 0x1F);
  } else {
    code = (row + 17) * 512 + (trail - 0x7E);
  }
  unsigned low = code & 0xFF;
  if (code < 0x2121 || code > 0x7E7E || low < 0x21 || low > 0x7E) return 0;
  return code;
}

}  // namespace

std::string ConvertSjisToEuc(std::string_view sjis) {
  std::string euc;
  euc.reserve(sjis.size() + sjis.size() / 2);
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    unsigned c = static_cast<unsigned char>(sjis[i]);
    if (platform::IsLeadByte(static_cast<unsigned char>(c))) {
      // A lead byte at the end pairs with the text's terminating zero.
      unsigned lead = c;
      unsigned trail = i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[++i]) : 0;
      RemapIbmToNec(lead, trail);
      unsigned code = JisCode(lead, trail);
      euc += static_cast<char>((code >> 8) | 0x80);
      euc += static_cast<char>((code & 0xFF) | 0x80);
    } else if (c >= 0xA1 && c <= 0xDF) {
      euc += '\x8E';
      euc += static_cast<char>(c);
    } else {
      euc += static_cast<char>(c);
    }
  }
  return euc;
}

}  // namespace quillon
