// The offer to download a missing Java runtime.
#include "runtime/download.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

const char* const QUESTION = "\nDo you want to download it?";
const std::string PAGE_142 = "/j2se/1.4.2/download.html";
const std::string PAGE_15 = "/en/download/download_the_latest.jsp";

struct NameCase {
  std::optional<std::string> appName;
  std::optional<std::string> mainClass;
  std::string named;
};

TEST(OfferRuntimeDownload, NamesTheApplicationAndTheRequiredVersion) {
  const NameCase cases[] = {
      {"Foo", "app.Main", "Foo"},
      {"", "app.Main", "app.Main"},
      {std::nullopt, "app.Main", "app.Main"},
      {std::nullopt, std::nullopt, "Editor"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.named);
    fake::reset();
    launchSettings.launcherName = "Editor";
    launchSettings.appName = c.appName;
    launchSettings.mainClass = c.mainClass;
    launchSettings.javaVersion = "1.4.2_08";
    offerRuntimeDownload("Java Runtime Environment Not Found");
    const std::vector<Notice> expected = {
        {"Java Runtime Environment Not Found",
         c.named + " requires the Java Runtime Environment version 1.4.2_08" + QUESTION,
         NoticeStyle::ERROR_QUESTION}};
    EXPECT_EQ(state().notices, expected);
    EXPECT_TRUE(state().urls.empty());  // no answer counts as No
  }
}

struct PageCase {
  std::string javaVersion;
  std::string page;  // the path of the page opened on Yes; empty: none
};

TEST(OfferRuntimeDownload, OpensTheFamilysPageOverHttpsOnYes) {
  const std::string releases = "/temurin/releases/?version=";
  const PageCase cases[] = {
      {"1.4.2_08", PAGE_142},
      {"1.4.2", PAGE_142},
      {"1.4.1", ""},
      {"1.5.0_06", PAGE_15},
      {"1.5", PAGE_15},
      {"1.50", PAGE_15},
      {"1.6.0", ""},
      {"", ""},
      // Every other version: a current free runtime of its feature version.
      {"17", releases + "17"},
      {"17+", releases + "17"},
      {"17.0.2", releases + "17"},
      {"1.8", releases + "8"},
      {"1.8.0_60+", releases + "8"},
      {"21+", releases + "21"},
      {"1.6+", releases + "8"},  // a minimum below the oldest offered: 8 meets it
      {"1.7.0_80", ""},
      {"_06+", ""},
      {"jre", ""},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.javaVersion);
    fake::reset();
    launchSettings.appName = "Foo";
    launchSettings.javaVersion = c.javaVersion;
    state().answers = {platform::ANSWER_YES};
    offerRuntimeDownload("caption");  // returns after the answer
    if (c.page.empty()) {
      EXPECT_TRUE(state().urls.empty());
    } else {
      ASSERT_EQ(state().urls.size(), 1u);
      const std::string& url = state().urls[0];
      EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
      ASSERT_GE(url.size(), c.page.size());
      EXPECT_EQ(url.substr(url.size() - c.page.size()), c.page);
    }
  }
}

TEST(OfferRuntimeDownload, OpensTheConfiguredPageForEveryVersion) {
  for (const char* version : {"1.5", "1.6.0", "17+", ""}) {
    SCOPED_TRACE(version);
    fake::reset();
    launchSettings.javaVersion = version;
    launchSettings.downloadUrl = "https://example.com/app/java";
    state().answers = {platform::ANSWER_YES};
    offerRuntimeDownload("caption");
    EXPECT_EQ(state().urls, std::vector<std::string>{"https://example.com/app/java"});
  }
}

struct PromptCase {
  int answer;
  std::string javaVersion;
  std::size_t pagesOpened;
};

TEST(PromptForRuntime, EndsWithExitCode11WhateverTheAnswer) {
  const PromptCase cases[] = {
      {platform::ANSWER_NO, "1.5.0", 0},
      {platform::ANSWER_YES, "1.6.0", 0},
      {platform::ANSWER_YES, "1.5.0", 1},
      {2, "1.5.0", 0},  // the box was closed
  };
  for (const PromptCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.answer) + " " + c.javaVersion);
    fake::reset();
    launchSettings.mainClass = "app.Main";
    launchSettings.javaVersion = c.javaVersion;
    state().answers = {c.answer};
    int code = -1;
    try {
      promptForRuntime("Incompatible JRE Version Found");
    } catch (const fake::FakeExit& exit) {
      code = exit.code;
    }
    EXPECT_EQ(code, 11);
    ASSERT_EQ(state().notices.size(), 1u);
    EXPECT_EQ(state().notices[0].caption, "Incompatible JRE Version Found");
    EXPECT_EQ(state().urls.size(), c.pagesOpened);
  }
}

}  // namespace
}  // namespace carafe
