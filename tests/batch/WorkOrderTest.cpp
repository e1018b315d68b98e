// Which file a folder run's workers take next, and when the memory budget holds them back.

#include "batch/WorkOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

using batch::WorkOrder;

namespace {

struct Plan {
    const char* what;
    std::vector<std::int64_t> needs;
    std::vector<qsizetype> waitsFor;
    std::int64_t limit;
    int workers;
    WorkOrder::Order order;
    std::vector<qsizetype> started; // the order files are taken in
};

// Runs a plan with the oldest file in work finishing first; checks the budget on the way.
std::vector<qsizetype> Simulate(const Plan& plan)
{
    imaging::MemoryBudget budget(plan.limit);
    WorkOrder order(plan.needs, plan.waitsFor, budget, plan.order);
    std::vector<qsizetype> started;
    std::deque<qsizetype> inWork;
    while (!order.AllTaken() || !inWork.empty()) {
        while (static_cast<int>(inWork.size()) < plan.workers) {
            const std::optional<qsizetype> next = order.TakeNext();
            if (!next)
                break;
            started.push_back(*next);
            inWork.push_back(*next);
            std::int64_t held = 0;
            for (const qsizetype i : inWork)
                held += plan.needs[static_cast<std::size_t>(i)];
            // Over the budget only when the one file in work is larger than all of it.
            EXPECT_TRUE(held <= plan.limit || inWork.size() == 1) << plan.what << ": file " << *next;
        }
        if (inWork.empty()) {
            ADD_FAILURE() << plan.what << ": nothing in work and nothing may start";
            break;
        }
        order.Finished(inWork.front());
        inWork.pop_front();
    }
    EXPECT_EQ(budget.Charged(), 0) << plan.what;
    return started;
}

TEST(WorkOrder, TakesFilesAsTheBudgetAndSameNamedTargetsAllow)
{
    using Order = WorkOrder::Order;
    const std::vector<Plan> plans = {
        {"list order, room for all", {10, 30, 20}, {-1, -1, -1}, 100, 2, Order::List, {0, 1, 2}},
        {"two that do not fit together run one after the other",
         {60, 60, 10},
         {-1, -1, -1},
         100,
         4,
         Order::List,
         {0, 1, 2}},
        {"larger than the budget: alone", {10, 500, 10}, {-1, -1, -1}, 100, 3, Order::List, {0, 1, 2}},
        {"largest first, equal sizes in list order",
         {10, 30, 20, 30},
         {-1, -1, -1, -1},
         1000,
         2,
         Order::LargestFirst,
         {1, 3, 2, 0}},
        {"a later file of the same name waits for the earlier one",
         {10, 90, 40},
         {-1, -1, 0},
         1000,
         3,
         Order::LargestFirst,
         {1, 0, 2}},
        {"the first that may start holds smaller ones back until it fits",
         {50, 80, 10, 10},
         {-1, -1, -1, -1},
         100,
         4,
         Order::LargestFirst,
         {1, 0, 2, 3}},
    };
    for (const Plan& plan : plans)
        EXPECT_EQ(Simulate(plan), plan.started) << plan.what;
}

TEST(WorkOrder, TakesNothingWhileTheNextFileDoesNotFit)
{
    imaging::MemoryBudget budget(100);
    WorkOrder order({70, 70}, {-1, -1}, budget, WorkOrder::Order::List);
    EXPECT_EQ(order.TakeNext(), 0);
    EXPECT_EQ(order.TakeNext(), std::nullopt);
    EXPECT_FALSE(order.WasTaken(1));
    order.Finished(0);
    EXPECT_EQ(order.TakeNext(), 1);
    EXPECT_TRUE(order.AllTaken());
}

} // namespace
