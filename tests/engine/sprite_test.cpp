// The sprite tree: ownership, depth order and the move, draw and collision passes.
#include "engine/sprite.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/errors.h"

namespace brakkon::engine {
namespace {

using Log = std::vector<std::string>;

// Records its hooks in a shared log; tests plug behaviour into the hooks.
class TProbe : public TImageSprite {
 public:
  TProbe(TSprite* parent, std::string name, Log& log, double x = 0, double y = 0)
      : TImageSprite(parent), name(std::move(name)), log_(log) {
    X = x;
    Y = y;
    Width = 10;
    Height = 10;
  }
  ~TProbe() override { log_.push_back("free " + name); }

  void DrawSelf() override { log_.push_back("draw " + name); }
  void MoveSelf(int moveAmount) override {
    TImageSprite::MoveSelf(moveAmount);
    log_.push_back("move " + name + " " + std::to_string(moveAmount));
    if (onMove) onMove();
  }
  void HandleCollision(TSprite* other, bool& done) override {
    log_.push_back("hit " + name + " by " + static_cast<TProbe*>(other)->name);
    if (onHit) onHit(other, done);
  }
  bool AcceptsCollision(TSprite* other) override {
    log_.push_back("accept? " + name);
    return accepts(other);
  }

  std::string name;
  std::function<void()> onMove;
  std::function<void(TSprite*, bool&)> onHit;
  std::function<bool(TSprite*)> accepts = [](TSprite*) { return true; };

 private:
  Log& log_;
};

class SpriteTest : public ::testing::Test {
 protected:
  SpriteTest() { root.SurfaceRect = TRect{0, 0, 800, 600}; }

  TProbe* Add(const std::string& name, double x = 0, double y = 0, TSprite* parent = nullptr) {
    return new TProbe(parent != nullptr ? parent : &root, name, log, x, y);
  }
  // The log entries starting with `prefix`, in order.
  Log Only(const std::string& prefix) const {
    Log out;
    for (const std::string& e : log) {
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
  }
  Log Drawn() {
    log.clear();
    root.Draw();
    return Only("draw ");
  }

  Log log;
  TSpriteEngine root;
};

TEST_F(SpriteTest, CreationLinksIntoTheTreeAndDeletionUnlinks) {
  TProbe* a = Add("a", 5, 7);
  TProbe* b = Add("b");
  TProbe* a1 = Add("a1", 1, 2, a);
  EXPECT_EQ(a->Engine(), &root);
  EXPECT_EQ(a1->Engine(), &root);
  EXPECT_EQ(a1->Parent(), a);
  EXPECT_EQ(root.Engine(), nullptr);
  EXPECT_TRUE(a1->Visible && a1->MoveEnabled && a1->CollisionEnabled);
  EXPECT_DOUBLE_EQ(a1->AbsoluteX(), 6);
  EXPECT_DOUBLE_EQ(a1->AbsoluteY(), 9);
  ASSERT_EQ(root.ChildCount(), 2);
  EXPECT_EQ(root.Child(0), a);
  EXPECT_EQ(root.Child(1), b);

  delete a;  // frees its child too (the probe logs on entering its destructor)
  EXPECT_EQ(Only("free "), (Log{"free a", "free a1"}));
  ASSERT_EQ(root.ChildCount(), 1);
  EXPECT_EQ(root.Child(0), b);
  EXPECT_EQ(Drawn(), Log{"draw b"});

  delete b;
  EXPECT_EQ(root.ChildCount(), 0);
  EXPECT_THROW(root.Child(0), ESpriteError);
}

TEST_F(SpriteTest, ClearFreesLastChildFirstAndEachSubtreeLastFirst) {
  TProbe* a = Add("a");
  Add("a1", 0, 0, a);
  Add("a2", 0, 0, a);
  Add("b");
  root.Clear();
  EXPECT_EQ(Only("free "), (Log{"free b", "free a", "free a2", "free a1"}));
  EXPECT_EQ(root.ChildCount(), 0);
}

TEST_F(SpriteTest, ChildOutOfRangeRaisesTheListErrors) {
  struct Case {
    int children;
    int index;
    bool spriteError;
    const char* message;
  };
  const Case cases[] = {
      {0, 0, true, "Index of the list exceeds the range. (0)"},
      {0, -3, true, "Index of the list exceeds the range. (-3)"},
      {2, 2, false, "List index out of bounds (2)"},
      {2, -1, false, "List index out of bounds (-1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    root.Clear();
    for (int i = 0; i < c.children; ++i) Add("c");
    try {
      root.Child(c.index);
      ADD_FAILURE() << "no error";
    } catch (const ESpriteError& e) {
      EXPECT_TRUE(c.spriteError);
      EXPECT_STREQ(e.what(), c.message);
    } catch (const EListError& e) {
      EXPECT_FALSE(c.spriteError);
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST_F(SpriteTest, EqualDepthsDrawTheLaterInsertedFirst) {
  TProbe* a = Add("a");
  Add("b");
  Add("c");
  EXPECT_EQ(Drawn(), (Log{"draw c", "draw b", "draw a"}));

  a->SetZ(0);  // its current depth: stays put
  EXPECT_EQ(Drawn(), (Log{"draw c", "draw b", "draw a"}));

  a->SetZ(5);
  EXPECT_EQ(Drawn(), (Log{"draw c", "draw b", "draw a"}));
  a->SetZ(0);  // re-inserted: underneath all the other zeros
  EXPECT_EQ(Drawn(), (Log{"draw a", "draw c", "draw b"}));
}

TEST_F(SpriteTest, DepthOrdersSiblingsAndParentsDrawBeforeChildren) {
  const int depths[] = {3, -2, 7, 0, 3, -2, 100};
  for (int i = 0; i < 7; ++i) Add(std::to_string(i))->SetZ(depths[i]);
  EXPECT_EQ(Drawn(), (Log{"draw 5", "draw 1", "draw 3", "draw 4", "draw 0", "draw 2", "draw 6"}));
  EXPECT_EQ(root.Child(0)->Z(), 3);  // creation order is untouched

  root.Clear();
  TProbe* parent = Add("parent");
  parent->SetZ(10);
  Add("child", 0, 0, parent)->SetZ(-10);
  Add("sibling")->SetZ(5);
  EXPECT_EQ(Drawn(), (Log{"draw sibling", "draw parent", "draw child"}));
}

TEST_F(SpriteTest, InvisibleSpriteHidesItsWholeSubtree) {
  TProbe* parent = Add("parent");
  Add("child", 0, 0, parent);
  Add("other");
  parent->Visible = false;
  EXPECT_EQ(Drawn(), Log{"draw other"});
}

TEST_F(SpriteTest, OnlySpritesOverlappingTheSurfaceAreDrawn) {
  struct Case {
    double x, y;  // of a 10 x 10 sprite
    bool drawn;
  };
  const Case cases[] = {
      {-10, 0, false},    // right edge at 0 only touches
      {-9.5, 0, true},    // truncation toward zero: left -9
      {-10.5, 0, false},  // left -10
      {0, -10, false},    // bottom edge at 0
      {800, 0, false},    // left edge on the right border
      {799, 599, true},   // one pixel in the corner
      {0, 600, false},    // top edge on the bottom border
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    root.Clear();
    Add("s", c.x, c.y);
    EXPECT_EQ(Drawn().size(), c.drawn ? 1u : 0u);
  }
}

TEST_F(SpriteTest, ChildrenAreDrawnAtTheirAbsolutePosition) {
  TProbe* parent = Add("parent", -50, 0);  // itself off the surface
  Add("child", 45, 0, parent);             // absolute -5: overlaps
  EXPECT_EQ(Drawn(), Log{"draw child"});
}

TEST_F(SpriteTest, MovePassRunsInCreationOrderAndStopsAtDisabledSubtrees) {
  TProbe* a = Add("a");
  a->SetZ(9);
  TProbe* b = Add("b");
  Add("b1", 0, 0, b);
  TProbe* c = Add("c");
  Add("c1", 0, 0, c);
  c->MoveEnabled = false;
  root.Move(0);  // the hooks run even when nothing is to be advanced
  EXPECT_EQ(Only("move "), (Log{"move a 0", "move b 0", "move b1 0"}));

  log.clear();
  root.MoveEnabled = false;
  root.Move(2);
  EXPECT_TRUE(Only("move ").empty());
}

TEST_F(SpriteTest, AnimationStep) {
  struct Case {
    bool loop;
    int frames;
    double position, rate;
    int moveAmount;
    double wantPosition, wantRate;
  };
  const Case cases[] = {
      {false, 4, 3.5, 1, 1, 3, 0},    // one-shot stops on its last pattern
      {true, 4, 3.5, 1, 1, 0.5, 1},   // looping wraps
      {false, 4, 3.5, 1, 0, 3.5, 1},  // MoveAmount 0 leaves it
      {true, 4, 2, 0.5, 3, 3.5, 0.5},
      {true, 4, 0.5, -1, 1, 3.5, -1},  // wrapping below 0 stays non-negative
      {true, 4, 1, 1, 11, 0, 1},       // 12 mod 4
      {false, 4, 0.5, -1, 1, 0, 0},    // one-shot backwards stops at 0
      {true, 0, 2.5, 1, 1, 0, 1},      // no frames to loop over
      {false, 0, 0, 1, 1, 0, 0},       // no frames: clamped to -1, then to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.loop ? "loop " : "once ") << c.position << " + " << c.rate
                                    << " x " << c.moveAmount);
    TImageSprite s(nullptr);
    s.AnimLoop = c.loop;
    s.AnimFrames = c.frames;
    s.AnimPosition = c.position;
    s.AnimRate = c.rate;
    s.MoveSelf(c.moveAmount);
    EXPECT_DOUBLE_EQ(s.AnimPosition, c.wantPosition);
    EXPECT_DOUBLE_EQ(s.AnimRate, c.wantRate);
  }
}

TEST_F(SpriteTest, CurrentPatternTruncatesAndAddsTheFirstPattern) {
  TImageSprite s(nullptr);
  s.AnimFirst = 4;
  s.AnimPosition = 2.99;
  EXPECT_EQ(s.CurrentPattern(), 6);
  s.AnimPosition = -0.5;  // toward zero
  EXPECT_EQ(s.CurrentPattern(), 4);
}

// A hitter at (100, 100) 10 x 10 and sprites to hit.
class CollisionTest : public SpriteTest {
 protected:
  CollisionTest() { hitter = Add("h", 100, 100); }
  TProbe* hitter;
};

TEST_F(CollisionTest, CountsOverlapsAndCallsOnlyTheHitter) {
  Add("over", 105, 105);
  Add("touching", 110, 100);  // shares the right edge only
  Add("far", 300, 300);
  Add("under", 95, 95);
  EXPECT_EQ(hitter->CheckCollisions(), 2);
  EXPECT_EQ(Only("hit "), (Log{"hit h by over", "hit h by under"}));
  EXPECT_EQ(root.HitSprite, hitter);
  EXPECT_EQ(root.HitCount, 2);
}

TEST_F(CollisionTest, BothSpritesMustAcceptAndTheSecondIsAskedOnlyAfterTheFirst) {
  TProbe* refusing = Add("refusing", 100, 100);
  refusing->accepts = [](TSprite*) { return false; };
  EXPECT_EQ(hitter->CheckCollisions(), 0);
  EXPECT_EQ(Only("accept? "), (Log{"accept? h", "accept? refusing"}));

  log.clear();
  hitter->accepts = [](TSprite*) { return false; };
  EXPECT_EQ(hitter->CheckCollisions(), 0);
  EXPECT_EQ(Only("accept? "), Log{"accept? h"});
}

TEST_F(CollisionTest, HitterSwitchingItselfOffStillGetsTheRemainingHits) {
  Add("first", 101, 101);
  Add("second", 102, 102);
  hitter->onHit = [&](TSprite*, bool&) { hitter->CollisionEnabled = false; };
  EXPECT_EQ(hitter->CheckCollisions(), 2);
  EXPECT_EQ(Only("hit "), (Log{"hit h by first", "hit h by second"}));
  EXPECT_EQ(hitter->CheckCollisions(), 0);  // off from now on
}

TEST_F(CollisionTest, DoneStopsOnlyTheDescentIntoChildren) {
  TProbe* a = Add("a", 100, 100);
  Add("a1", 0, 0, a);  // absolute (100, 100)
  TProbe* b = Add("b", 100, 100);
  Add("b1", 0, 0, b);
  hitter->onHit = [&](TSprite* other, bool& done) {
    if (other == a) done = true;
  };
  EXPECT_EQ(hitter->CheckCollisions(), 2);
  // The flag stays set for the pass, so b's children are skipped as well.
  EXPECT_EQ(Only("hit "), (Log{"hit h by a", "hit h by b"}));

  log.clear();
  hitter->onHit = nullptr;
  EXPECT_EQ(hitter->CheckCollisions(), 4);
  EXPECT_EQ(Only("hit "), (Log{"hit h by a", "hit h by a1", "hit h by b", "hit h by b1"}));
}

TEST_F(CollisionTest, DisabledSpriteHidesItsSubtreeAndTheHittersChildrenAreTested) {
  TProbe* off = Add("off", 100, 100);
  Add("off1", 0, 0, off);
  off->CollisionEnabled = false;
  Add("own", 0, 0, hitter);  // the hitter's own child overlaps it
  EXPECT_EQ(hitter->CheckCollisions(), 1);
  EXPECT_EQ(Only("hit "), Log{"hit h by own"});
}

TEST_F(CollisionTest, TheHitRectIsTakenOnceAndSwitchedOffHittersFindNothing) {
  Add("first", 100, 100);
  Add("second", 100, 100);
  hitter->onHit = [&](TSprite*, bool&) { hitter->X = 500; };
  EXPECT_EQ(hitter->CheckCollisions(), 2);

  hitter->X = 100;
  hitter->CollisionEnabled = false;
  EXPECT_EQ(hitter->CheckCollisions(), 0);
  TProbe loose(nullptr, "loose", log, 100, 100);  // no engine
  EXPECT_EQ(loose.CheckCollisions(), 0);
}

// What the game does from a collision handler inside the move pass: free two
// sprites and create two new ones.
TEST_F(SpriteTest, PassesTolerateFreeingAndCreatingChildren) {
  struct Case {
    const char* name;
    bool bonusFirst;  // the freed sprites come before the one that frees them
    int created;
    Log moved;
  };
  const Case cases[] = {
      {"freed behind", false, 2, {"w", "c", "n1", "n2"}},
      // The two shifted into visited places are skipped this pass.
      {"freed in front", true, 2, {"b1", "b2", "w", "n2"}},
      // Fewer children than the loop started with: it ends early.
      {"only freed", false, 0, {"w", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root.Clear();
    TProbe* b1 = nullptr;
    TProbe* b2 = nullptr;
    if (c.bonusFirst) {
      b1 = Add("b1");
      b2 = Add("b2");
    }
    TProbe* w = Add("w");
    if (!c.bonusFirst) {
      b1 = Add("b1");
      b2 = Add("b2");
    }
    Add("c");
    w->onMove = [&] {
      if (b1 == nullptr) return;
      delete b1;
      delete b2;
      b1 = b2 = nullptr;
      for (int i = 1; i <= c.created; ++i) Add("n" + std::to_string(i));
    };
    log.clear();
    root.Move(1);
    Log moved;
    for (const std::string& e : Only("move ")) moved.push_back(e.substr(5, e.size() - 7));
    EXPECT_EQ(moved, c.moved);
  }
}

TEST_F(CollisionTest, HandlerMayFreeAndCreateSpritesDuringThePass) {
  TProbe* bonus1 = Add("bonus1", 500, 500);
  Add("car", 100, 100);
  TProbe* bonus2 = Add("bonus2", 100, 100);
  Add("tail", 100, 100);
  hitter->onHit = [&](TSprite* other, bool&) {
    if (static_cast<TProbe*>(other)->name != "car") return;
    delete bonus1;
    delete bonus2;
    Add("new1", 100, 100);
    Add("new2", 100, 100);
  };
  // Children after the handler: h car tail new1 new2; tail has moved into the
  // place just visited and is skipped this pass.
  EXPECT_EQ(hitter->CheckCollisions(), 3);
  EXPECT_EQ(Only("hit "), (Log{"hit h by car", "hit h by new1", "hit h by new2"}));
}

TEST_F(SpriteTest, BackgroundMapCells) {
  auto* bg = new TBackgroundSprite(&root);
  EXPECT_FALSE(bg->CollisionEnabled);
  EXPECT_EQ(bg->MapCell(0, 0), -1);

  bg->ResizeMap(3, 2);
  EXPECT_EQ(bg->MapColumns(), 3);
  EXPECT_EQ(bg->MapRows(), 2);
  bg->SetMapCell(2, 1, 7);
  bg->SetMapCell(3, 0, 9);  // outside: ignored
  EXPECT_EQ(bg->MapCell(2, 1), 7);
  EXPECT_EQ(bg->MapCell(0, 0), 0);
  for (auto [c, r] : std::initializer_list<std::pair<int, int>>{{-1, 0}, {3, 0}, {0, -1}, {0, 2}}) {
    EXPECT_EQ(bg->MapCell(c, r), -1);
  }

  bg->ResizeMap(3, 2);  // same size keeps the cells
  EXPECT_EQ(bg->MapCell(2, 1), 7);
  bg->ResizeMap(2, 3);  // new size starts from zeros
  EXPECT_EQ(bg->MapCell(1, 2), 0);

  bg->ResizeMap(4, 0);
  EXPECT_EQ(bg->MapColumns(), 0);
  EXPECT_EQ(bg->MapRows(), 0);
  EXPECT_EQ(bg->MapCell(0, 0), -1);
  EXPECT_TRUE(bg->MapDraws().empty());
}

TEST_F(SpriteTest, BackgroundBoundsWithoutImage) {
  auto* bg = new TBackgroundSprite(&root);
  bg->ResizeMap(1, 1);
  EXPECT_EQ(bg->GetBounds(), TRect{});
  EXPECT_TRUE(bg->MapDraws().empty());
  bg->Tiled = true;
  EXPECT_EQ(bg->GetBounds(), (TRect{0, 0, 800, 600}));
}

}  // namespace
}  // namespace brakkon::engine
