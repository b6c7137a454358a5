// The syntax of the layout text, without any component behind it:
//
//   object Form1: TForm1          nested: object Name: TClass ... end
//     Left = -297                 integers: 12, -3, $1F (signed 64-bit)
//     Scale = 1.5                 floats: need a '.' or an exponent
//     Caption = 'It''s'#13#10     strings: quoted, '' for a quote, #nnn codes
//       + ' more'                   long strings continue with +
//     Color = clNavy              identifiers (dotted allowed), True / False
//     Font.Style = [fsBold]       sets of identifiers
//     Pins = ('a' b.c (1 2))      lists, items separated by blanks or lines
//     Picture.Data = {0A54 ...}   binary blocks in hex, split over lines
//     Items = <                   collections
//       item
//         Name = 'x'
//       end>
//   end                           // comments run to the end of the line
//
// Parsing fails with EReadError carrying the line of the fault.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/layout/value.h"

namespace vistrel::layout {

struct PropertyNode {
  std::string name;
  Value value;
  int line = 0;
};

struct ObjectNode {
  std::string name;
  std::string className;
  int line = 0;
  std::vector<PropertyNode> properties;  // in text order
  std::vector<ObjectNode> children;      // in text order
};

// Parses one layout text: exactly one root object, then only blanks and comments.
ObjectNode parseLayoutText(std::string_view text);

}  // namespace vistrel::layout
