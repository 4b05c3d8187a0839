#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "core/main_thread_jobs.h"
#include "kit/http_server.h"
#include "scene/http_object.h"
#include "scene_test_kit.h"

using namespace orva;
using namespace orva::scene_test;
using Reply = kit::THttpTestServer::TReply;
using Clock = std::chrono::steady_clock;

namespace {

class HttpFixture : public SceneFixture {
 protected:
  TOrvaHttp* Http(std::string_view name) {
    auto* http = static_cast<TOrvaHttp*>(Scene().CreateObject(LT_HTTP));
    http->SetName(name);
    http->SetOnPlayEnd("end.osb");
    return http;
  }
  // Runs the frame loop's part (the jobs of the finished workers, then the scene's update)
  // until the request has ended; false after thirty seconds (65 MiB through loopback under the
  // sanitizers on a busy machine takes more than five).
  bool Finish(TOrvaHttp* http) {
    const auto limit = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < limit) {
      RunMainThreadJobs();
      if (!http->IsBusy()) return true;
      Scene().Idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
  // The ONPLAYEND events queued, by sender name.
  std::vector<std::string> Ends() {
    std::vector<std::string> out;
    TTimerList& events = Scene().Events();
    for (int i = 0; i < events.Count(); ++i) {
      const TTimerData& e = *events.GetEvent(i);
      TOrvaObject* sender = EventSender(e);
      if (e.Kind == PR_ONPLAYEND)
        out.push_back((sender ? sender->GetName() : "?") + (e.Args.Count() ? " with arguments" : ""));
    }
    return out;
  }
  std::string Fetch(std::string_view name, const std::string& url) {
    TOrvaHttp* http = Http(name);
    http->SetSource(url);
    EXPECT_TRUE(Finish(http)) << url;
    return http->GetText();
  }

  kit::THttpTestServer server_;
};

}  // namespace

TEST_F(HttpFixture, TextIsTheBodyFromEucJpWithItsLinesJoined) {
  struct Case {
    const char* what;
    std::string body, text;
  } cases[] = {
      {"CR LF", "a\r\nb", "a\x01" "b"},
      {"LF and CR, a break at the end adds no line", "a\nb\rc\n", "a\x01" "b\x01" "c"},
      {"empty lines stay", "a\r\n\r\nb", "a\x01\x01" "b"},
      {"EUC-JP to Shift-JIS", "\xA4\xA2\r\n\xB4\xC1", "\x82\xA0\x01\x8A\xBF"},
      {"nothing", "", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = "/text" + std::to_string(n);
    server_.Script(path, {.Body = c.body});
    EXPECT_EQ(Fetch("t" + std::to_string(n++), server_.Url(path)), c.text) << c.what;
  }
  EXPECT_EQ(Ends(), (std::vector<std::string>{"t0", "t1", "t2", "t3", "t4"})) << "one end each, no arguments";
  auto* http = static_cast<TOrvaHttp*>(Scene().FindObject("t0"));
  EXPECT_EQ(http->GetSource(), server_.Url("/text0"));
  EXPECT_EQ(http->GetCompoType(), LT_HTTP);
  TMemoryStream copy;
  copy.LoadFromStream(*http->GetDataStream());
  EXPECT_EQ(copy.View(), "a\r\nb") << "the data stream is the body as it came";
}

TEST_F(HttpFixture, FailuresEndTooWithWhatArrived) {
  server_.Script("/short", {.Body = "partial", .ClaimedLength = 100});
  server_.Script("/file", {.Status = 302, .Headers = {{"Location", "file:///etc/hostname"}}});
  server_.Script("/moved", {.Status = 301, .Headers = {{"Location", "/there"}}});
  server_.Script("/there", {.Body = "moved here"});
  EXPECT_EQ(Fetch("missing", server_.Url("/missing")), "no such page") << "a 404 keeps its body";
  EXPECT_EQ(Fetch("short", server_.Url("/short")), "partial") << "an early close keeps what arrived";
  EXPECT_EQ(Fetch("moved", server_.Url("/moved")), "moved here") << "redirects are followed";
  EXPECT_EQ(Fetch("file", server_.Url("/file")), "") << "but never into a local file";
  EXPECT_EQ(Fetch("direct", "file:///etc/hostname"), "");
  EXPECT_EQ(Fetch("nothing", ""), "");
  EXPECT_EQ(Ends(), (std::vector<std::string>{"missing", "short", "moved", "file", "direct", "nothing"}));
}

TEST_F(HttpFixture, ASlowServerLeavesTheFramesTheirPace) {
  server_.Script("/slow", {.Body = "late", .DelayMs = 300});
  TOrvaHttp* http = Http("slow");
  const auto start = Clock::now();
  http->SetSource(server_.Url("/slow"));
  EXPECT_TRUE(http->IsBusy());
  // Frames while the worker waits: none of them waits with it.
  for (int frame = 0; frame < 5; ++frame) {
    const auto before = Clock::now();
    RunMainThreadJobs();
    Scene().Idle();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(http->IsBusy());
  EXPECT_EQ(http->GetText(), "") << "no body while the request runs";
  http->SetSource(server_.Url("/other"));
  EXPECT_EQ(http->GetSource(), server_.Url("/slow")) << "SOURCE is ignored while busy";
  EXPECT_TRUE(Ends().empty());
  ASSERT_TRUE(Finish(http));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(http->GetText(), "late");
  EXPECT_EQ(Ends(), (std::vector<std::string>{"slow"}));
  EXPECT_EQ(server_.Requests(), (std::vector<std::string>{"/slow"}));
  // Without a handler nothing is queued.
  server_.Script("/quick", {.Body = "quick"});
  http->SetOnPlayEnd("");
  http->SetSource(server_.Url("/quick"));
  ASSERT_TRUE(Finish(http));
  EXPECT_EQ(Ends().size(), 1u);
}

TEST_F(HttpFixture, BodiesStopAtTheLimit) {
  server_.Script("/huge", {.StreamedBytes = int64_t(HttpBodyLimit) + (int64_t{1} << 20)});
  TOrvaHttp* http = Http("huge");
  http->SetSource(server_.Url("/huge"));
  ASSERT_TRUE(Finish(http));
  auto& body = static_cast<TMemoryStream&>(*http->GetDataStream());
  ASSERT_EQ(size_t(body.GetSize()), HttpBodyLimit);
  const std::string_view bytes = body.View();
  EXPECT_EQ(bytes.front(), kit::THttpTestServer::PatternByte(0));
  EXPECT_EQ(bytes.back(), kit::THttpTestServer::PatternByte(int64_t(HttpBodyLimit) - 1));
  EXPECT_EQ(Ends(), (std::vector<std::string>{"huge"}));
}

TEST_F(HttpFixture, AnObjectFreedMidRequestAbortsAndQueuesNothing) {
  server_.Script("/hang", {.Hang = true});
  TOrvaHttp* http = Http("hung");
  http->SetSource(server_.Url("/hang"));
  // Give the request time to reach the server.
  const auto limit = Clock::now() + std::chrono::seconds(5);
  while (server_.Requests().empty() && Clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(server_.Requests().size(), 1u);
  const auto start = Clock::now();
  http->FreeNow();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  RunMainThreadJobs();
  EXPECT_TRUE(Ends().empty());
  EXPECT_EQ(Scene().FindObject("hung"), nullptr);
}

TEST_F(HttpFixture, TheUrlFromAnotherObjectsData) {
  server_.Script("/where", {.Body = server_.Url("/target")});
  server_.Script("/target", {.Body = "found"});
  Fetch("first", server_.Url("/where"));
  EXPECT_EQ(Fetch("second", "!first"), "found");
  EXPECT_EQ(Scene().FindObject("second")->GetSource(), server_.Url("/target"));
  // No such object, or one without data: an empty URL, and the request fails.
  EXPECT_EQ(Fetch("third", "!missing"), "");
  EXPECT_EQ(Scene().FindObject("third")->GetSource(), "");
  Component("plain");
  EXPECT_EQ(Fetch("fourth", "!plain"), "");
  EXPECT_EQ(Ends(), (std::vector<std::string>{"first", "second", "third", "fourth"}));
}

TEST_F(HttpFixture, OnlyTheObjectPartIsSaved) {
  server_.Script("/page", {.Body = "page"});
  TOrvaHttp* http = Http("saved");
  http->SetPriority(3);
  http->SetSource(server_.Url("/page"));
  ASSERT_TRUE(Finish(http));
  TMemoryStream alone;
  http->SaveToStream(alone);
  TMemoryStream objectPart;
  TOrvaObject plain(nullptr);
  plain.AssignName("saved");
  plain.SetPriority(3);
  plain.SaveToStream(objectPart);
  EXPECT_EQ(alone.View(), objectPart.View());
  TMemoryStream scene;
  Scene().SaveToStream(scene);
  scene.SetPosition(0);
  Scene().LoadFromStream(scene, GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaHttp*>(Scene().FindObject("saved"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPriority(), 3);
  EXPECT_FALSE(loaded->IsBusy());
  EXPECT_EQ(loaded->GetText(), "");
  EXPECT_EQ(loaded->GetOnPlayEnd(), "");
}
