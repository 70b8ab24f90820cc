// The owner of a system handle: whatever moves it about, each handle is closed
// exactly once, by its last owner, and an empty owner closes nothing.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/unique_handle.h"

namespace torvelkan {
namespace {

// Handles are ints, 0 is none; closing one writes it down.
std::vector<int> closed;

struct CountingTraits {
  using Handle = int;
  static Handle None() noexcept { return 0; }
  static void Close(Handle handle) noexcept { closed.push_back(handle); }
};
using Owner = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, MovesHandOverAndEachHandleIsClosedOnceByItsLastOwner) {
  closed.clear();
  {
    Owner first(1);
    Owner second(std::move(first));
    // NOLINTNEXTLINE(bugprone-use-after-move,clang-analyzer-cplusplus.Move): a move leaves it empty
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(second.Get(), 1);

    Owner third(2);
    third = std::move(second);  // 2 goes as 1 takes its place
    EXPECT_EQ(closed, std::vector<int>{2});
    Owner& alias = third;
    third = std::move(alias);  // onto itself: nothing changes hands
    EXPECT_EQ(third.Get(), 1);

    Owner empty;
    Owner fourth(3);
    fourth = std::move(empty);  // an empty one moved in closes what was held
    EXPECT_FALSE(fourth.IsOpen());
    EXPECT_EQ(closed, (std::vector<int>{2, 3}));
  }
  // Only third still held something: 1, closed as it went out of scope.
  EXPECT_EQ(closed, (std::vector<int>{2, 3, 1}));
}

TEST(UniqueHandle, ReleaseGivesUpWithoutClosingAndResetClosesTheOld) {
  closed.clear();
  int released = 0;
  {
    Owner owner(4);
    released = owner.Release();
    EXPECT_FALSE(owner.IsOpen());
    owner.Reset(5);
    owner.Reset(6);
    EXPECT_EQ(closed, std::vector<int>{5});
  }
  EXPECT_EQ(released, 4);
  EXPECT_EQ(closed, (std::vector<int>{5, 6}));
}

}  // namespace
}  // namespace torvelkan
