// The undo ring on its own: capacity, the redo range, group pairs and kept texts.
#include "editor/UndoRing.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

namespace {

char* Text(const char* s)
{
    char* t = static_cast<char*>(malloc(strlen(s) + 1));
    strcpy(t, s);
    return t;
}

}  // namespace

TEST(UndoRing, KeepsAtMost128EntriesAndEmptiesReusedSlots)
{
    CUndoRing ring;
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_EQ(ring.Newest(), nullptr);
    for (int i = 0; i < 200; ++i)
    {
        UndoEntry* e = ring.NewEntry();
        // A slot handed out again comes back empty: its old text was released.
        EXPECT_EQ(e->text, nullptr);
        EXPECT_EQ(e->kind, 0);
        e->kind = UK_REMOVE;
        e->key = i;
        CUndoRing::SetText(e, Text("alt"), 3);
    }
    EXPECT_EQ(ring.UndoableCount(), 128);
    EXPECT_EQ(ring.Newest()->key, 199);
    int oldest = -1;
    while (UndoEntry* e = ring.StepBack())
        oldest = e->key;
    EXPECT_EQ(oldest, 200 - 128);
    EXPECT_EQ(ring.RedoableCount(), 128);
    // Three steps forward, then a new entry: the remaining redo range is gone.
    ring.StepForward();
    ring.StepForward();
    ring.StepForward();
    UndoEntry* e = ring.NewEntry();
    EXPECT_EQ(e->text, nullptr);
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.UndoableCount(), 4);
    ring.Clear();
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
}

TEST(UndoRing, GroupedEntriesPairUpAndBothCarryTheBit)
{
    CUndoRing ring;
    UndoEntry* a = ring.NewEntry();
    a->kind = UK_INSERT | UK_GROUP;
    ring.SealGroup(a);
    UndoEntry* b = ring.NewEntry();
    b->kind = UK_RETYPE | UK_GROUP;
    ring.SealGroup(b);
    UndoEntry* c = ring.NewEntry();
    c->kind = UK_REMOVE | UK_GROUP;
    ring.SealGroup(c);
    EXPECT_EQ(a->groupRole, 1);
    EXPECT_EQ(b->groupRole, 2);
    EXPECT_EQ(c->groupRole, 1);
    UndoEntry* plain = ring.NewEntry();
    plain->kind = UK_REMOVE;
    ring.SealGroup(plain);
    EXPECT_EQ(plain->groupRole, 0);
}
