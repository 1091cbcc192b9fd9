// XVector: appending, the sorted set's order of equal elements and binary search.
#include "xvector.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "xstring.h"

namespace {

int CompareStrings(const XString &a, const XString &b) {
  return a.Compare(b);
}

struct Entry {
  int key;
  std::string tag;
};

int CompareKeys(const Entry &a, const Entry &b) {
  return a.key - b.key;
}

TEST(XVector, SortedInsertKeepsEqualElementsInArrivalOrder) {
  XString b1("b"), a("a"), b2("b");
  XVector<XString> vector(5, CompareStrings);
  vector.Add(&b1);
  vector.Add(&a);
  vector.Add(&b2);
  ASSERT_EQ(vector.Count(), 3u);
  EXPECT_EQ(vector[0], &a);
  EXPECT_EQ(vector[1], &b1);
  EXPECT_EQ(vector[2], &b2);
}

TEST(XVector, SortedInsertOrders) {
  struct Case {
    std::vector<std::pair<int, const char *>> added;
    std::string expectedTags;
  };
  const Case cases[] = {
      {{{3, "a"}, {1, "b"}, {2, "c"}}, "bca"},
      {{{1, "a"}, {1, "b"}, {1, "c"}}, "abc"},
      {{{2, "a"}, {1, "b"}, {2, "c"}, {1, "d"}, {3, "e"}, {2, "f"}}, "bdacfe"},
      {{{5, "a"}, {4, "b"}, {3, "c"}, {2, "d"}, {1, "e"}}, "edcba"},
      {{}, ""},
  };
  for (const Case &c : cases) {
    std::deque<Entry> storage;
    XVector<Entry> vector(1, CompareKeys);
    for (const auto &[key, tag] : c.added) vector.Add(&storage.emplace_back(Entry{key, tag}));
    std::string tags;
    for (const Entry *entry : vector) tags += entry->tag;
    EXPECT_EQ(tags, c.expectedTags);
  }
}

TEST(XVector, AddReturnsTheInsertIndex) {
  std::deque<Entry> storage;
  XVector<Entry> vector(20, CompareKeys);
  EXPECT_EQ(vector.Add(&storage.emplace_back(Entry{5, "a"})), 0u);
  EXPECT_EQ(vector.Add(&storage.emplace_back(Entry{1, "b"})), 0u);
  EXPECT_EQ(vector.Add(&storage.emplace_back(Entry{5, "c"})), 2u);
  EXPECT_EQ(vector.Add(&storage.emplace_back(Entry{3, "d"})), 1u);
}

TEST(XVector, BinarySearchFindsTheFirstEqualElement) {
  std::deque<Entry> storage;
  XVector<Entry> vector(5, CompareKeys);
  for (int key : {7, 3, 9, 3, 1, 12, 3, 7})
    vector.Add(&storage.emplace_back(Entry{key, std::to_string(key)}));
  // Sorted: 1 3 3 3 7 7 9 12
  struct Case {
    int key;
    std::ptrdiff_t index;
  };
  const Case cases[] = {{1, 0}, {3, 1}, {7, 4}, {9, 6}, {12, 7}, {0, -1}, {4, -1}, {13, -1}};
  for (const Case &c : cases) {
    EXPECT_EQ(vector.Find(Entry{c.key, ""}), c.index) << c.key;
    EXPECT_EQ(vector.FindBy(c.key, [](const Entry &e, int k) { return e.key - k; }), c.index) << c.key;
  }
}

TEST(XVector, WithoutComparisonAppendsAndFindsByIdentity) {
  XString x("x"), y("y"), z("x");
  XVector<XString> vector;
  vector.Add(&y);
  vector.Add(&x);
  vector.Add(&z);
  EXPECT_FALSE(vector.IsSorted());
  EXPECT_EQ(vector[0], &y);
  EXPECT_EQ(vector[2], &z);
  EXPECT_EQ(vector.Find(z), 2);
  EXPECT_EQ(vector.IndexOf(&x), 1);
  XString other("x");
  EXPECT_EQ(vector.Find(other), XVector<XString>::kNotFound);
}

TEST(XVector, RemovingHandsTheElementBack) {
  XString a("a"), b("b");
  XVector<XString> vector(1, CompareStrings);
  vector.Add(&b);
  vector.Add(&a);
  EXPECT_EQ(vector.RemoveAt(0), &a);
  EXPECT_EQ(vector.Count(), 1u);
  EXPECT_EQ(vector[0], &b);
  EXPECT_THROW(vector.At(1), std::out_of_range);
  vector.Clear();
  EXPECT_TRUE(vector.IsEmpty());
}

}  // namespace
