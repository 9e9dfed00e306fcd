// Loading binaries: what is refused, and with what message.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "host/HostedPlugin.h"
#include "host/PluginModule.h"

namespace {

using host::HostedPlugin;
using host::PluginModule;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(PluginModule, RefusesWhatIsNotAPlugin) {
    std::string error;
    EXPECT_FALSE(PluginModule::load("/nonexistent/calyx2.so", error));
    EXPECT_TRUE(contains(error, "/nonexistent/calyx2.so: no such file")) << error;

    std::string textFile = testing::TempDir() + "not-a-plugin.so";
    std::ofstream(textFile) << "just some text\n";
    EXPECT_FALSE(PluginModule::load(textFile, error));
    EXPECT_TRUE(contains(error, "not a plug-in")) << error;
    std::remove(textFile.c_str());

    EXPECT_FALSE(PluginModule::load(testing::TempDir(), error));
    EXPECT_TRUE(contains(error, "not a plug-in")) << error;

    EXPECT_FALSE(PluginModule::load(NO_ENTRY_LIBRARY, error));
    EXPECT_TRUE(contains(error, "neither VSTPluginMain nor main")) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
}

TEST(PluginModule, AnEntryThatReturnsNullIsReported) {
    std::string error;
    auto module = PluginModule::load(NULL_ENTRY_PLUGIN, error);
    ASSERT_TRUE(module) << error;
    EXPECT_STREQ(module->entryName(), "VSTPluginMain");
    EXPECT_FALSE(HostedPlugin::create(module, error));
    EXPECT_TRUE(contains(error, "returned no instance")) << error;
    EXPECT_TRUE(contains(error, NULL_ENTRY_PLUGIN)) << error;
}

// A binary cut short maps fine and kills the process with SIGBUS at the first touch past its end; its
// own headers say how long it should be, so it is refused before loading.
TEST(PluginModule, ATruncatedBinaryIsRefusedBeforeLoading) {
    std::ifstream in(NULL_ENTRY_PLUGIN, std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 1024u);
    std::string cut = testing::TempDir() + "cut-plugin.bin";
    for (size_t length : {size_t(64), whole.size() / 8, whole.size() / 2, whole.size() - 1, whole.size()}) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(whole.data(), static_cast<std::streamsize>(length));
        std::string error;
        auto module = PluginModule::load(cut, error);
        if (length == whole.size()) {
            EXPECT_TRUE(module) << error;
        } else {
            EXPECT_FALSE(module) << length;
            EXPECT_TRUE(contains(error, "damaged plug-in binary (truncated")) << length << ": " << error;
        }
    }
    std::remove(cut.c_str());
}

}  // namespace
