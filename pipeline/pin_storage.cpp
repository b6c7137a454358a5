#include <mutex>
#include <string>
#include <variant>

#include "pipeline/errors.h"
#include "pipeline/sink_pin.h"
#include "pipeline/source_pin.h"
#include "pipeline/unloaded_pin.h"
#include "platform/layout/component.h"
#include "platform/layout/value.h"

namespace vistrel {

using layout::Value;

namespace {

// A stored path: the index form and (when it differs) the name form.
struct TOWStoredPath {
  std::string indexPath;
  std::string namePath;
};

// An identifier; a string is taken too (hand-written layouts quote paths).
const std::string* PathText(const Value& value) {
  if (auto* identifier = std::get_if<Value::Identifier>(&value.data)) return &identifier->name;
  return std::get_if<std::string>(&value.data);
}

Value::Identifier Ident(std::string text) { return Value::Identifier{std::move(text)}; }

[[noreturn]] void BadShape(const std::string& property) {
  throw EOWException("Invalid stored value of pin property " + property);
}

TOWBasicPin* FindPlaceholder(const TOWStoredPath& path, bool standsForSource,
                             const void* readerRoot) {
  for (TOWBasicPin* pin : TOWBasicPin::AllPins()) {
    auto* placeholder = dynamic_cast<TOWUnloadedPin*>(pin);
    if (placeholder && placeholder->StandsForSource() == standsForSource &&
        placeholder->ReaderRoot() == readerRoot && placeholder->IndexPathText() == path.indexPath &&
        placeholder->NamePathText() == path.namePath) {
      return placeholder;
    }
  }
  return nullptr;
}

// Reads a stored path: an identifier (both forms), or a list of the
// index-form identifier, a dependency identifier (only where `dependency` is
// given) and the name form as a string.
TOWStoredPath ReadStoredPath(const Value& value, const std::string& property,
                             std::string* dependency) {
  if (const std::string* text = PathText(value)) return {*text, *text};
  const auto* parts = std::get_if<Value::List>(&value.data);
  if (!parts || parts->items.empty() || !PathText(parts->items[0])) BadShape(property);
  TOWStoredPath path{*PathText(parts->items[0]), *PathText(parts->items[0])};
  for (std::size_t i = 1; i < parts->items.size(); ++i) {
    const Value& part = parts->items[i];
    if (auto* identifier = std::get_if<Value::Identifier>(&part.data); identifier && dependency) {
      *dependency = identifier->name;
    } else if (auto* text = std::get_if<std::string>(&part.data)) {
      path.namePath = *text;
    } else {
      BadShape(property);
    }
  }
  return path;
}

// Finds the pin a stored path names (after the stored form name is rewritten
// to the current one; name form first, then index form, then, for a path
// written without its form, under the reader's form), or creates a
// placeholder for it that is resolved when the layout's load completes.
TOWBasicPin* LookUpStoredPin(const TOWBasicPin& reader, TOWStoredPath path, bool wantSource,
                             layout::ReadContext& context) {
  path = {reader.RewriteStoredPath(path.indexPath), reader.RewriteStoredPath(path.namePath)};
  std::lock_guard lock(TOWBasicPin::PinListMutex());
  const void* rootIdentity = reader.RootIdentity();
  const std::string root = reader.RootFormName();
  TOWBasicPin* found = FindPinByPath(path.namePath, path.indexPath, rootIdentity, root);
  if (!found && !root.empty() && path.indexPath.compare(0, root.size() + 1, root + ".") != 0) {
    found =
        FindPinByPath(root + "." + path.namePath, root + "." + path.indexPath, rootIdentity, root);
  }
  if (found) return found;
  if (TOWBasicPin* placeholder = FindPlaceholder(path, wantSource, rootIdentity)) {
    return placeholder;
  }
  TOWBasicPin* placeholder =
      TOWUnloadedPin::Create(reader, path.indexPath, path.namePath, wantSource);
  context.addFixup([] { TOWUnloadedPin::ResolvePlaceholders(); });
  return placeholder;
}

}  // namespace

// --- every pin: "Form" ---

void TOWBasicPin::appendStoredProperties(const std::string& prefix,
                                         std::vector<layout::Property>& out) const {}

bool TOWBasicPin::readProperty(const std::string& name, const Value& value,
                               layout::ReadContext& context) {
  if (name != "Form") return false;
  const std::string* text = PathText(value);
  if (!text) BadShape(name);
  storedFormName_ = *text;
  return true;
}

namespace {

void AppendForm(const TOWBasicPin& pin, const std::string& prefix,
                std::vector<layout::Property>& out) {
  const std::string form = pin.RootFormName();
  if (!form.empty()) out.push_back(layout::makeProperty(prefix + ".Form", Ident(form)));
}

TOWStoredPath StoredPathOf(const TOWBasicPin& pin) {
  if (auto* placeholder = dynamic_cast<const TOWUnloadedPin*>(&pin)) {
    return {placeholder->IndexPathText(), placeholder->NamePathText()};
  }
  return {pin.IndexPath(), pin.Path()};
}

// The stored form of the path of `pin` (read back by ReadStoredPath): the
// index-form identifier alone, or a list of it, the dependency's (when given)
// and the name form (when it differs).
Value StoredPathValue(const TOWBasicPin& pin, const TOWBasicPin* dependency) {
  const TOWStoredPath path = StoredPathOf(pin);
  if (!dependency && path.indexPath == path.namePath) return Ident(path.indexPath);
  Value::List item;
  item.items.push_back(Ident(path.indexPath));
  if (dependency) item.items.push_back(Ident(StoredPathOf(*dependency).indexPath));
  if (path.indexPath != path.namePath) item.items.push_back(path.namePath);
  return item;
}

}  // namespace

// --- source pins: "SinkPins" ---

void TOWSourcePin::appendStoredProperties(const std::string& prefix,
                                          std::vector<layout::Property>& out) const {
  const auto entries = SinkEntries();
  if (entries.empty()) return;
  AppendForm(*this, prefix, out);
  Value::List items;
  for (const auto& entry : entries) {
    items.items.push_back(StoredPathValue(*entry.sink, entry.dependency));
  }
  out.push_back(layout::makeProperty(prefix + ".SinkPins", std::move(items)));
}

bool TOWSourcePin::readProperty(const std::string& name, const Value& value,
                                layout::ReadContext& context) {
  if (name != "SinkPins") return TOWStreamPin::readProperty(name, value, context);
  const auto* list = std::get_if<Value::List>(&value.data);
  if (!list) BadShape(name);
  for (const Value& item : list->items) {
    std::string dependencyPath;
    const TOWStoredPath sink = ReadStoredPath(item, name, &dependencyPath);
    TOWBasicPin* dependency = nullptr;
    if (!dependencyPath.empty()) {
      dependency = LookUpStoredPin(*this, {dependencyPath, dependencyPath}, false, context);
    }
    Connect(LookUpStoredPin(*this, sink, false, context), dependency);
  }
  return true;
}

// --- sink pins: "SourcePin" ---

void TOWSinkPin::appendStoredProperties(const std::string& prefix,
                                        std::vector<layout::Property>& out) const {
  const TOWBasicPin* source = Source();
  if (!source) return;
  AppendForm(*this, prefix, out);
  out.push_back(layout::makeProperty(prefix + ".SourcePin", StoredPathValue(*source, nullptr)));
}

bool TOWSinkPin::readProperty(const std::string& name, const Value& value,
                              layout::ReadContext& context) {
  if (name != "SourcePin") return TOWStreamPin::readProperty(name, value, context);
  TOWBasicPin* found = LookUpStoredPin(*this, ReadStoredPath(value, name, nullptr), true, context);
  if (auto* source = dynamic_cast<TOWSourcePin*>(found)) {
    source->Connect(this);
  } else if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(found)) {
    placeholder->AddWaitingSink(this);
  }
  return true;
}

}  // namespace vistrel
