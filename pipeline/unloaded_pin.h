// Placeholders for pins that a stored form names before they exist. A
// placeholder takes part in connections like the pin it stands for; once the
// real pin exists (at the latest when the form's load completes)
// ResolvePlaceholders puts the real pin in its place and frees it.
#pragma once

#include <string>
#include <vector>

#include "pipeline/basic_pin.h"

namespace vistrel {

class TOWSinkPin;

class TOWUnloadedPin : public TOWBasicPin {
 public:
  // Creates a placeholder, owned by the global placeholder list, for the pin
  // that `reader` names by the two paths.
  static TOWUnloadedPin* Create(const TOWBasicPin& reader, std::string indexPath,
                                std::string namePath, bool standsForSource);

  const std::string& ReaderPath() const { return readerPath_; }
  const void* ReaderRoot() const { return readerRoot_; }
  const std::string& IndexPathText() const { return indexPath_; }
  const std::string& NamePathText() const { return namePath_; }
  bool StandsForSource() const { return standsForSource_; }

  // Sinks that named this (source) placeholder as their source.
  void AddWaitingSink(TOWSinkPin* sink);
  void RemoveWaitingSink(TOWSinkPin* sink);

  // Replaces every placeholder whose pin now exists. Returns how many remain.
  static int ResolvePlaceholders();
  // Removes every remaining placeholder from the connections that use it and
  // frees it (the stored connection it stood for is dropped).
  static void DiscardPlaceholders();
  static int PlaceholderCount();

 private:
  TOWUnloadedPin(const TOWBasicPin& reader, std::string indexPath, std::string namePath,
                 bool standsForSource);
  // Gives the connections that use this placeholder to `real`; null drops them.
  void HandOver(TOWBasicPin* real);

  const void* readerRoot_;
  std::string readerRootName_;
  std::string readerPath_;
  std::string indexPath_;
  std::string namePath_;
  bool standsForSource_;
  std::vector<TOWSinkPin*> waitingSinks_;  // guarded by the global lock
};

// Finds a real pin (not a placeholder) named by a stored path: a pin whose
// name-form path, then whose index-form path, equals `namePath`; failing
// that, the same for `indexPath`. When the reader's root form is given, a pin
// of another form object carrying the reader's form name (a second instance
// of the same form) never matches: it is not the pin the reader's form
// stored. Holds the pin-list lock.
TOWBasicPin* FindPinByPath(const std::string& namePath, const std::string& indexPath,
                           const void* readerRoot, const std::string& readerRootName);

}  // namespace vistrel
