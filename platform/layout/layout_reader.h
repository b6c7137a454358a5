// Reading a stored window layout into components.
//
// readLayout fills an already constructed root (the window) from `text`:
// the text's root class must be the root's className(); the root takes the
// stored name; each nested object is created through the class registry with
// its enclosing component as owner/parent, named, inserted into that owner
// (insertChild) and then given its properties in text order. When every
// component exists, the fix-ups added through ReadContext run in order; then
// loaded() is called on every component, children first, the root last.
//
// Errors are EReadError (EClassNotFound for an unregistered class) naming the
// component, the property where one is involved, and the line:
//   "Error reading Form1.ListBox1.Foo: Property Foo does not exist (line 12)".
// Component names must be unique within the whole layout. A failed read leaves
// the components created so far inserted in the root, and calls no loaded().
//
// Threads: call on the thread that owns the root (the window's).
#pragma once

#include <string_view>

#include "platform/layout/class_registry.h"
#include "platform/layout/component.h"
#include "platform/layout/errors.h"

namespace vistrel::layout {

void readLayout(Component& root, std::string_view text);
void readLayout(Component& root, std::string_view text, const ClassRegistry& registry);

}  // namespace vistrel::layout
