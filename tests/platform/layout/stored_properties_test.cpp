#include "platform/layout/stored_properties.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace vistrel::layout {
namespace {

class Gauge : public Component {
 public:
  std::string className() const override { return "TGauge"; }
  bool readProperty(const std::string&, const Value&, ReadContext&) override { return false; }
  std::vector<Property> storedProperties() const override { return {}; }

  int rate = 60;
  bool on = true;
  std::string caption;
};

struct NoContext : ReadContext {
  Component& root() override { throw Exception("no root"); }
  void addFixup(std::function<void()>) override {}
};

const PropertyTable& baseTable() {
  using P = Stored<Gauge>;
  static const PropertyTable table(
      {}, {P::field("Rate", &Gauge::rate).orDefault(60), P::field("On", &Gauge::on).orDefault(true),
           P::field("Caption", &Gauge::caption)});
  return table;
}

// A derived class giving Rate another default keeps it in its place.
const PropertyTable& derivedTable() {
  static const PropertyTable table({&baseTable()},
                                   {Stored<Gauge>::field("Rate", &Gauge::rate).orDefault(25)});
  return table;
}

std::vector<std::string> names(const std::vector<Property>& properties) {
  std::vector<std::string> out;
  for (const Property& property : properties) out.push_back(property.name);
  return out;
}

TEST(StoredPropertiesTest, WritesInTableOrderLeavingOutDefaults) {
  Gauge gauge;
  NoContext context;
  EXPECT_EQ(names(baseTable().write(gauge)), std::vector<std::string>{"Caption"});
  EXPECT_EQ(names(derivedTable().write(gauge)), (std::vector<std::string>{"Rate", "Caption"}));

  ASSERT_TRUE(baseTable().read(gauge, "On", false, context));
  ASSERT_TRUE(baseTable().read(gauge, "Rate", 5, context));
  EXPECT_EQ(names(baseTable().write(gauge)), (std::vector<std::string>{"Rate", "On", "Caption"}));
  EXPECT_EQ(baseTable().writeNamed(gauge, {"On", "Rate"})[1].value(), Value(5));
}

TEST(StoredPropertiesTest, RefusesUnknownNamesAndValuesOfTheWrongKind) {
  Gauge gauge;
  NoContext context;
  EXPECT_FALSE(baseTable().read(gauge, "Width", 1, context));
  EXPECT_THROW(baseTable().read(gauge, "Rate", "fast", context), Exception);
  EXPECT_EQ(gauge.rate, 60);
}

}  // namespace
}  // namespace vistrel::layout
