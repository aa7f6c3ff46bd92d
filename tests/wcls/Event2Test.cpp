// Event2Test.cpp - observers: order, stopping, commit, connections that
// follow their source and survive it.
#include <gtest/gtest.h>

#include <string>

#include "wcls/Event2.h"

namespace {

std::string s_calls;

int Record(void* context, void* arg1, LPARAM arg2)
{
    s_calls += std::string(static_cast<const char*>(context)) + "(" +
               std::to_string(reinterpret_cast<INT_PTR>(arg1)) + "," + std::to_string(arg2) + ") ";
    return 1;
}

int Refuse(void* context, void*, LPARAM)
{
    s_calls += std::string(static_cast<const char*>(context)) + "! ";
    return 0;
}

}  // namespace

TEST(Event2, HandlersRunInOrderTheFirstRefusalStopsAndCommitFiresChanges)
{
    SafePtr<Event2> ev(new Event2);
    char a[] = "a", b[] = "b", c[] = "c";
    ev->Connect(a, Record);
    ev->Connect(b, Record);
    ev->Connect(a, Record);
    ev->Connect(c, nullptr);  // ignored
    EXPECT_EQ(1, ev->Fire(reinterpret_cast<void*>(7), 9));
    EXPECT_EQ("a(7,9) b(7,9) a(7,9) ", s_calls);
    EXPECT_EQ(2u, ev->FireCount());

    ev->Disconnect(a, Record);  // the last equal entry only
    ev->Connect(c, Refuse);
    ev->Connect(a, Record);
    s_calls.clear();
    EXPECT_EQ(0, ev->Fire(nullptr, 0));
    EXPECT_EQ("a(0,0) b(0,0) c! ", s_calls);

    // Commit fires only a change, and keeps it while an observer refuses.
    s_calls.clear();
    EXPECT_EQ(1, ev->Commit());
    EXPECT_EQ("", s_calls);
    ev->SetChanged();
    EXPECT_EQ(0, ev->Commit());
    EXPECT_TRUE(ev->IsChanged());
    ev->Disconnect(c, Refuse);
    EXPECT_EQ(1, ev->Commit());
    EXPECT_FALSE(ev->IsChanged());
}

TEST(Event2, ConnectionsFollowTheirSourceAndSurviveIt)
{
    char a[] = "a";
    SafePtr<Event2> first(new Event2), second(new Event2);
    EventConnection survivor(Record, a);
    {
        EventConnection conn(Record, a);
        conn.SetSource(first.Get());
        conn.SetSource(second.Get());
        EXPECT_EQ(0, first->HandlerCount());
        SafePtr<Event2> shortLived(new Event2);
        survivor.SetSource(shortLived.Get());
    }
    EXPECT_EQ(0, second->HandlerCount());  // the connection left with its end
    EXPECT_EQ(nullptr, survivor.Source());  // and the source with its end
    survivor.SetSource(first.Get());
    EXPECT_EQ(1, first->HandlerCount());
}
