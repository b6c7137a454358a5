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

// Finds the pin a stored path names (name form first, then index form, then,
// for a path written without its form, under the reader's form), or creates a
// placeholder for it that is resolved when the layout's load completes.
TOWBasicPin* LookUpStoredPin(const TOWBasicPin& reader, const TOWStoredPath& path, bool wantSource,
                             layout::ReadContext& context) {
  std::lock_guard lock(TOWBasicPin::PinListMutex());
  const void* rootIdentity = reader.RootIdentity();
  const std::string root = reader.RootFormName();
  TOWBasicPin* found = FindPinByPath(path.namePath, rootIdentity, root);
  if (!found) found = FindPinByPath(path.indexPath, rootIdentity, root);
  if (!found && !root.empty() && path.indexPath.compare(0, root.size() + 1, root + ".") != 0) {
    found = FindPinByPath(root + "." + path.namePath, rootIdentity, root);
    if (!found) found = FindPinByPath(root + "." + path.indexPath, rootIdentity, root);
  }
  if (found) return found;
  if (TOWBasicPin* placeholder = FindPlaceholder(path, wantSource, rootIdentity)) {
    return placeholder;
  }
  TOWBasicPin* placeholder = TOWUnloadedPin::Create(rootIdentity, root, reader.Path(),
                                                    path.indexPath, path.namePath, wantSource);
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

}  // namespace

// --- source pins: "SinkPins" ---

void TOWSourcePin::appendStoredProperties(const std::string& prefix,
                                          std::vector<layout::Property>& out) const {
  const auto entries = SinkEntries();
  if (entries.empty()) return;
  AppendForm(*this, prefix, out);
  Value::List items;
  for (const auto& entry : entries) {
    const TOWStoredPath sink = StoredPathOf(*entry.sink);
    if (!entry.dependency && sink.indexPath == sink.namePath) {
      items.items.push_back(Ident(sink.indexPath));
      continue;
    }
    Value::List item;
    item.items.push_back(Ident(sink.indexPath));
    if (entry.dependency) item.items.push_back(Ident(StoredPathOf(*entry.dependency).indexPath));
    if (sink.indexPath != sink.namePath) item.items.push_back(sink.namePath);
    items.items.push_back(std::move(item));
  }
  out.push_back(layout::makeProperty(prefix + ".SinkPins", std::move(items)));
}

bool TOWSourcePin::readProperty(const std::string& name, const Value& value,
                                layout::ReadContext& context) {
  if (name != "SinkPins") return TOWStreamPin::readProperty(name, value, context);
  const auto* list = std::get_if<Value::List>(&value.data);
  if (!list) BadShape(name);
  for (const Value& item : list->items) {
    TOWStoredPath sink;
    std::string dependencyPath;
    if (const std::string* text = PathText(item)) {
      sink = {*text, *text};
    } else if (const auto* parts = std::get_if<Value::List>(&item.data);
               parts && !parts->items.empty() && PathText(parts->items[0])) {
      sink.indexPath = *PathText(parts->items[0]);
      sink.namePath = sink.indexPath;
      for (std::size_t i = 1; i < parts->items.size(); ++i) {
        const Value& part = parts->items[i];
        if (auto* identifier = std::get_if<Value::Identifier>(&part.data)) {
          dependencyPath = identifier->name;
        } else if (auto* text = std::get_if<std::string>(&part.data)) {
          sink.namePath = *text;
        } else {
          BadShape(name);
        }
      }
    } else {
      BadShape(name);
    }
    sink.indexPath = RewriteStoredPath(sink.indexPath);
    sink.namePath = RewriteStoredPath(sink.namePath);
    TOWBasicPin* dependency = nullptr;
    if (!dependencyPath.empty()) {
      const std::string rewritten = RewriteStoredPath(dependencyPath);
      dependency = LookUpStoredPin(*this, {rewritten, rewritten}, false, context);
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
  const TOWStoredPath path = StoredPathOf(*source);
  if (path.indexPath == path.namePath) {
    out.push_back(layout::makeProperty(prefix + ".SourcePin", Ident(path.indexPath)));
  } else {
    out.push_back(layout::makeProperty(
        prefix + ".SourcePin", Value::List{{Value(Ident(path.indexPath)), Value(path.namePath)}}));
  }
}

bool TOWSinkPin::readProperty(const std::string& name, const Value& value,
                              layout::ReadContext& context) {
  if (name != "SourcePin") return TOWStreamPin::readProperty(name, value, context);
  TOWStoredPath path;
  if (const std::string* text = PathText(value)) {
    path = {*text, *text};
  } else if (const auto* parts = std::get_if<Value::List>(&value.data);
             parts && !parts->items.empty() && PathText(parts->items[0])) {
    path.indexPath = *PathText(parts->items[0]);
    path.namePath = path.indexPath;
    if (parts->items.size() > 1) {
      const auto* text = std::get_if<std::string>(&parts->items[1].data);
      if (!text) BadShape(name);
      path.namePath = *text;
    }
  } else {
    BadShape(name);
  }
  path.indexPath = RewriteStoredPath(path.indexPath);
  path.namePath = RewriteStoredPath(path.namePath);
  TOWBasicPin* found = LookUpStoredPin(*this, path, true, context);
  if (auto* source = dynamic_cast<TOWSourcePin*>(found)) {
    source->Connect(this);
  } else if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(found)) {
    placeholder->AddWaitingSink(this);
  }
  return true;
}

}  // namespace vistrel
