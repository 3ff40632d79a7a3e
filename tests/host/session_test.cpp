#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/automation_error.h"
#include "host/intrinsics.h"
#include "host/postgres_session_store.h"
#include "host/sqlite_session_store.h"
#include "host/state_dir.h"
#include "host/temp_folder.h"
#include "support/error_number.h"
#include "support/postgres_scratch.h"

namespace korvex::host {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(Session, ValuesAreReachedByNameItemAndContents) {
  auto session = std::make_shared<Session>(NewSessionId(), true);
  EXPECT_FALSE(session->changed());
  session->Put("Cart", Variant(int32_t{5}));  // Session.Cart = 5
  Variant cart[] = {Variant("cart")};
  EXPECT_EQ(session->CallDefault(cart).AsLong(), 5);  // Session("cart")
  EXPECT_EQ(session->Get("CART").AsLong(), 5);        // Session.CART
  Variant colour[] = {Variant("Colour")};
  session->Put("Item", Variant("blue"), colour);  // Session("Colour") = "blue"
  EXPECT_EQ(ToText(session->Value("colour")), "blue");
  EXPECT_TRUE(session->Get("Absent").IsEmpty());
  EXPECT_TRUE(session->changed());

  auto contents = session->Get("Contents").AsObject();
  EXPECT_EQ(ToText(contents->Get("Count")), "2");
  Variant one[] = {Variant(int32_t{1})};
  EXPECT_EQ(ToText(contents->Call("Key", one)), "Cart");  // the name as first written
  contents->Call("Remove", cart);
  EXPECT_TRUE(session->Value("Cart").IsEmpty());
  contents->Call("RemoveAll", {});
  EXPECT_TRUE(session->values().empty());
}

TEST(Session, AnObjectIsRefusedWhenAssigned) {
  auto session = std::make_shared<Session>(NewSessionId(), true);
  auto other = std::make_shared<Session>(NewSessionId(), true);
  std::string error = korvex::testing::ErrorOf([&] { session->Put("Cart", Variant(other)); });
  EXPECT_TRUE(error.starts_with("13:") && error.find("Cart") != std::string::npos) << error;
  EXPECT_THROW(session->SetValue("x", Variant::Nothing()), AutomationError);
  EXPECT_TRUE(session->values().empty());
  EXPECT_FALSE(session->changed());
}

TEST(Session, IdsAreRandomHexAndOnlyThatFormIsAccepted) {
  std::string a = NewSessionId(), b = NewSessionId();
  EXPECT_NE(a, b);
  EXPECT_TRUE(IsWellFormedSessionId(a));
  EXPECT_FALSE(IsWellFormedSessionId(""));
  EXPECT_FALSE(IsWellFormedSessionId(a.substr(1)));
  EXPECT_FALSE(IsWellFormedSessionId("0123456789ABCDEF0123456789abcdef"));
  EXPECT_FALSE(IsWellFormedSessionId("../../../../../../../etc/passwd"));
}

/// The libpq keywords reaching a scratch schema of the test server.
PostgresKeywords KeywordsOf(const korvex::testing::PostgresScratch& scratch) {
  ado::ConnectionParams params;
  params.keys = ado::ParseConnectionString(scratch.ConnectionString());
  params.user = params.keys["user id"];
  PostgresKeywords keywords = ado::postgres::ConnectionKeywords(params);
  // Named, so a test can tell its own connections from those of tests running beside it.
  keywords.emplace_back("application_name", scratch.schema());
  return keywords;
}

/// Every store must behave alike; each test runs against each.
class SessionStores : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    SessionClock clock = [this] { return now_; };
    std::string kind = GetParam();
    if (kind == "memory") {
      store_ = std::make_unique<MemorySessionStore>(clock);
    } else if (kind == "sqlite") {
      store_ = std::make_unique<SqliteSessionStore>(folder_.path() / "sessions.db", clock);
    } else {
      KORVEX_SKIP_WITHOUT_POSTGRES();
      scratch_.emplace();
      store_ = std::make_unique<PostgresSessionStore>(
          KeywordsOf(*scratch_), MemorySessionStore::kDefaultMaxSessions, clock);
    }
  }
  TempFolder folder_;
  std::optional<korvex::testing::PostgresScratch> scratch_;
  int64_t now_ = 1'700'000'000;
  std::unique_ptr<SessionStore> store_;
};

TEST_P(SessionStores, KeepEveryScalarKind) {
  SessionState state;
  state.values = {{"Empty", Variant()},
                  {"Null", Variant::Null()},
                  {"Yes", Variant(true)},
                  {"Small", Variant(int16_t{-7})},
                  {"Long", Variant(int32_t{2147483647})},
                  {"Double", Variant(0.1)},
                  {"Money", Variant(CurrencyValue{123456789})},
                  {"When", Variant(DateValue{45000.75})},
                  {"Text", Variant(std::string("caf\xC3\xA9 'q' \"d\"\0nul", 18))},
                  {"Blank", Variant("")}};
  state.timeout_minutes = 45;
  store_->Save("s1", state);
  std::optional<SessionState> loaded = store_->Load("s1");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->timeout_minutes, 45);
  ASSERT_EQ(loaded->values.size(), state.values.size());
  for (size_t i = 0; i < state.values.size(); ++i) {
    const auto& [name, value] = state.values[i];
    EXPECT_EQ(loaded->values[i].first, name);
    EXPECT_EQ(loaded->values[i].second.type(), value.type()) << name;
    if (!value.IsNull()) {
      EXPECT_TRUE(VariantEquals(loaded->values[i].second, value)) << name;
    }
  }
}

TEST_P(SessionStores, ForgetUnknownRemovedAndIdleSessions) {
  EXPECT_FALSE(store_->Load("never-saved"));
  SessionState state;
  state.values = {{"a", Variant(int32_t{1})}};
  store_->Save("gone", state);
  store_->Remove("gone");
  EXPECT_FALSE(store_->Load("gone"));

  store_->Save("idle", state);  // 20 minutes by default
  now_ += 19 * 60;
  EXPECT_TRUE(store_->Load("idle"));  // activity: the idle time starts again
  now_ += 19 * 60;
  EXPECT_TRUE(store_->Load("idle"));
  now_ += 20 * 60;
  EXPECT_FALSE(store_->Load("idle"));
  now_ += 60 * 60;
  store_->Save("other", state);  // sweeps the expired ones away
  EXPECT_FALSE(store_->Load("idle"));
}

TEST_P(SessionStores, TimeoutIsKeptWithinBounds) {
  SessionState state;
  state.timeout_minutes = 0;
  store_->Save("short", state);
  EXPECT_EQ(store_->Load("short")->timeout_minutes, kMinSessionTimeout);
  now_ += 61;
  EXPECT_FALSE(store_->Load("short"));
  state.timeout_minutes = 1'000'000;
  store_->Save("long", state);
  EXPECT_EQ(store_->Load("long")->timeout_minutes, kMaxSessionTimeout);
}

INSTANTIATE_TEST_SUITE_P(Host, SessionStores, ::testing::Values("memory", "sqlite", "postgresql"));

SessionState OneValue(int32_t timeout_minutes = 20) {
  SessionState state;
  state.values = {{"a", Variant(int32_t{1})}};
  state.timeout_minutes = timeout_minutes;
  return state;
}

TEST(MemorySessionStore, WhenFullTheLongestIdleGoesFirst) {
  int64_t now = 1'700'000'000;
  MemorySessionStore store(3, [&] { return now; });
  for (const char* id : {"a", "b", "c"}) {
    store.Save(id, OneValue());
    ++now;
  }
  EXPECT_TRUE(store.Load("a"));  // b is now the longest idle
  store.Save("c", OneValue());   // saving a kept session takes no room
  EXPECT_EQ(store.size(), 3u);
  store.Save("d", OneValue());
  EXPECT_EQ(store.size(), 3u);
  EXPECT_FALSE(store.Load("b"));
  store.Save("e", OneValue());  // a was loaded last before c and d
  EXPECT_FALSE(store.Load("a"));
  for (const char* id : {"c", "d", "e"}) EXPECT_TRUE(store.Load(id)) << id;

  store.Remove("c");
  store.Save("f", OneValue());  // room was made: nothing else goes
  for (const char* id : {"d", "e", "f"}) EXPECT_TRUE(store.Load(id)) << id;

  MemorySessionStore single(0, [&] { return now; });  // brought up to one
  single.Save("x", OneValue());
  single.Save("y", OneValue());
  EXPECT_EQ(single.size(), 1u);
  EXPECT_TRUE(single.Load("y"));
}

TEST(MemorySessionStore, ExpiredSessionsGoBeforeTheLongestIdle) {
  int64_t now = 1'700'000'000;
  MemorySessionStore store(3, [&] { return now; });
  store.Save("long", OneValue(60));
  store.Save("other", OneValue(20));
  store.Save("short", OneValue(1));  // the most recently used, yet the first to expire
  now += 61;
  store.Save("new", OneValue());  // full, but the expired one makes the room
  EXPECT_EQ(store.size(), 3u);
  EXPECT_FALSE(store.Load("short"));
  EXPECT_TRUE(store.Load("long"));

  now += 20 * 60;  // "other" and "new" idle out; "long" was loaded 20 minutes ago
  EXPECT_FALSE(store.Load("unknown"));  // any call drops what expired
  EXPECT_EQ(store.size(), 1u);
  EXPECT_TRUE(store.Load("long"));
}

TEST(MemorySessionStore, ManyThreadsKeepTheBound) {
  MemorySessionStore store(64);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < 5000; ++i) {
        std::string id = std::to_string(t) + "-" + std::to_string(i % 100);
        store.Save(id, OneValue());
        if (std::optional<SessionState> back = store.Load(id); back && back->values.size() != 1)
          ADD_FAILURE() << id;
        if (i % 7 == 0) store.Remove(id);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_LE(store.size(), 64u);
}

// Instances behind a balancer share one table: what one saved, another reads, also after
// either restarts, and the bound holds across them.
TEST(PostgresSessionStore, InstancesShareSessionsAndTheBound) {
  KORVEX_SKIP_WITHOUT_POSTGRES();
  korvex::testing::PostgresScratch scratch;
  int64_t now = 1'700'000'000;
  auto clock = [&] { return now; };
  auto first = std::make_unique<PostgresSessionStore>(KeywordsOf(scratch), 3, clock);
  PostgresSessionStore second(KeywordsOf(scratch), 3, clock);
  for (const char* id : {"a", "b", "c"}) {
    first->Save(id, OneValue());
    now += 60;
  }
  EXPECT_TRUE(second.Load("a"));  // b is now the longest idle
  second.Save("c", OneValue());   // saving a kept session takes no room
  first->Save("d", OneValue());
  EXPECT_EQ(second.size(), 3u);
  EXPECT_FALSE(second.Load("b"));

  first.reset();  // an instance stops; a new one finds everything
  PostgresSessionStore restarted(KeywordsOf(scratch), 3, clock);
  for (const char* id : {"a", "c", "d"}) EXPECT_TRUE(restarted.Load(id)) << id;
  restarted.Remove("a");
  EXPECT_FALSE(second.Load("a"));

  // The server drops every connection (a restart, a failover): the next call reconnects.
  scratch.Exec(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE application_name = '" +
      scratch.schema() + "'");
  EXPECT_TRUE(second.Load("c"));
  second.Save("e", OneValue());
  EXPECT_TRUE(restarted.Load("e"));
}

TEST(PostgresSessionStore, AnUnreachableServerIsReported) {
  try {
    PostgresSessionStore store(PostgresKeywordsOf("postgresql://127.0.0.1:1/none"));
    FAIL() << "connected";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("session store: cannot connect"), std::string::npos)
        << e.what();
  }
}

TEST(SqliteSessionStore, ManyProcessesShareOneFile) {
  TempFolder folder;
  fs::path file = folder.path() / "sessions.db";
  { SqliteSessionStore create(file); }
  constexpr int kProcesses = 4, kRounds = 40;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        SqliteSessionStore store(file);
        for (int r = 0; r < kRounds; ++r) {
          std::string id = "p" + std::to_string(p) + "-" + std::to_string(r % 5);
          SessionState state;
          state.values = {{"round", Variant(int32_t{r})}};
          store.Save(id, state);
          std::optional<SessionState> back = store.Load(id);
          if (!back || back->values.at(0).second.AsLong() != r) status = 2;
        }
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  SqliteSessionStore store(file);
  for (int p = 0; p < kProcesses; ++p)
    EXPECT_EQ(store.Load("p" + std::to_string(p) + "-4")->values.at(0).second.AsLong(), 39);
}

TEST(SqliteSessionStore, UnopenableFileIsReportedByName) {
  TempFolder folder;
  fs::path file = folder.path() / "missing-folder" / "sessions.db";
  try {
    SqliteSessionStore store(file);
    FAIL() << "opened " << file;
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos);
  }
}

EnvironmentLookup Env(std::map<std::string, std::string> vars) {
  return [vars](std::string_view name) -> std::optional<std::string> {
    auto it = vars.find(std::string(name));
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

mode_t ModeOf(const fs::path& folder) {
  struct stat st;
  EXPECT_EQ(stat(folder.c_str(), &st), 0);
  return st.st_mode & 0777;
}

TEST(StateDirectory, ChosenFolderIsCreatedPrivate) {
  TempFolder folder;
  fs::path chosen = folder.path() / "state" / "korvex";
  EXPECT_EQ(StateDirectory(Env({{"KORVEX_STATE_DIR", chosen.string()}}), std::nullopt), chosen);
  EXPECT_EQ(ModeOf(chosen), 0700u);
  fs::permissions(chosen, fs::perms::all);
  StateDirectory(Env({{"KORVEX_STATE_DIR", chosen.string()}}), std::nullopt);
  EXPECT_EQ(ModeOf(chosen), 0700u);

  EXPECT_EQ(StateDirectory(Env({{"XDG_STATE_HOME", folder.path().string()},
                                {"HOME", (folder.path() / "home").string()}}),
                           std::nullopt),
            folder.path() / "korvex");
  EXPECT_EQ(StateDirectory(
                Env({{"XDG_STATE_HOME", "relative"}, {"HOME", (folder.path() / "home").string()}}),
                std::nullopt),
            folder.path() / "home" / ".local" / "state" / "korvex");
}

TEST(StateDirectory, NeverInsideTheSite) {
  TempFolder folder;
  fs::path site = folder.path() / "www";
  fs::create_directories(site);
  // A server user whose home is the document root: the default moves on to the next place.
  fs::path chosen = StateDirectory(Env({{"HOME", site.string()}}), site);
  EXPECT_EQ(chosen, fs::path("/tmp") / ("korvex-" + std::to_string(geteuid())));
  EXPECT_THROW(StateDirectory(Env({{"KORVEX_STATE_DIR", (site / "state").string()}}), site),
               std::runtime_error);
  EXPECT_FALSE(fs::exists(site / "state"));
}

TEST(StateDirectory, ALinkPlantedInPlaceOfTheFolderIsRefused) {
  TempFolder folder;
  fs::create_directories(folder.path() / "elsewhere");
  fs::create_directory_symlink(folder.path() / "elsewhere", folder.path() / "korvex");
  EXPECT_THROW(StateDirectory(Env({{"KORVEX_STATE_DIR", (folder.path() / "korvex").string()}}),
                              std::nullopt),
               std::runtime_error);
}

}  // namespace
}  // namespace korvex::host
