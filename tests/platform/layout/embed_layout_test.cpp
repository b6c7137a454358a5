#include <gtest/gtest.h>

#include "kSampleLayout.h"
#include "platform/layout/layout_reader.h"
#include "test_components.h"

namespace vistrel::testing {
namespace {

TEST(EmbedLayout, EmbeddedTextReadsLikeTheFile) {
  ASSERT_TRUE(kSampleLayout.starts_with("object Form1: TTestForm\n"));
  ASSERT_TRUE(kSampleLayout.ends_with("end\n"));
  EXPECT_EQ(kSampleLayout.find('\0'), std::string_view::npos);

  layout::ClassRegistry registry;
  registerTestClasses(registry, nullptr);
  TestComponent form("TTestForm", nullptr);
  layout::readLayout(form, kSampleLayout, registry);
  EXPECT_EQ(form.componentName(), "Form1");
  ASSERT_EQ(form.childComponents().size(), 1u);
  EXPECT_EQ(form.childComponents()[0]->componentPath(), "Form1.Panel1");
}

}  // namespace
}  // namespace vistrel::testing
