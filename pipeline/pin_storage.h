// Stored pin connections: reading and writing the "Form", "SinkPins" and
// "SourcePin" properties of pins, and finding the pins they name.
#pragma once

#include <string>

namespace vistrel {

class TOWBasicPin;
class TOWPinOwner;

namespace layout {
class ReadContext;
}

// A stored path: the index form and (when it differs) the name form.
struct TOWStoredPath {
  std::string indexPath;
  std::string namePath;
};

// Finds the pin a stored path names (name form first, then index form, then,
// for a path written without its form, under the reader's form), or creates a
// placeholder for it that is resolved when the layout's load completes.
TOWBasicPin* LookUpStoredPin(const TOWBasicPin& reader, const TOWStoredPath& path, bool wantSource,
                             layout::ReadContext& context);

}  // namespace vistrel
