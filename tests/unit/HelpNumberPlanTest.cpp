#include "help/HelpNumberPlan.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <sstream>

#include "report/AssignReport.h"
#include "runtime/Exceptions.h"
#include "tests/support/FormTreeSpec.h"

namespace {

// Forms written as TreeOfSpec specs joined by ";".
struct Project {
    explicit Project(const std::string& specs) {
        std::istringstream each(specs);
        for (std::string spec; std::getline(each, spec, ';');) {
            ScannedForm& form = forms.emplace_back();
            TFormTree tree = TreeOfSpec(spec.substr(spec.find_first_not_of(' ')));
            form.Name = tree.Nodes[0].Name;
            form.Tree = std::move(tree);
            pointers.push_back(&form);
        }
    }
    std::deque<ScannedForm> forms;
    std::vector<const ScannedForm*> pointers;
};

struct PlanCase {
    const char* what;
    const char* forms;
    bool laterVersions;
    THelpNumbering numbering;
    std::vector<std::int32_t> mapped; // by the help project
    const char* plan;
};

THelpNumbering Numbering(bool forms, bool controls, std::optional<std::int32_t> from = std::nullopt,
                         std::int32_t step = 10) {
    return THelpNumbering{forms, controls, from, step};
}

TEST(HelpNumberPlan, NumbersAndSkipsInTheProjectsOrder) {
    const PlanCase cases[] = {
        {"forms without help of their own, from the first hundred above every number held",
         "A 100, E<A w; B, L<B 250; C 0",
         false,
         Numbering(true, false),
         {},
         "B: 300\nC: 310\n2 numbers to give in 2 forms\n"},
        {"controls whose help is not their own, wherever F1 lands; the forms left",
         "A 7, P<A w 5, E<P w, F<P w 6, G<A w; B, H<B w",
         false,
         Numbering(false, true),
         {},
         "A.E: 100\nA.G: 110\nB.H: 120\n3 numbers to give in 2 forms\n"},
        {"both, each form before its controls; numbers held anywhere and mapped ones passed over",
         "A, E<A w, L<A 115; B, H<B w",
         false,
         Numbering(true, true, 100, 5),
         {105, 125, 126},
         "A: 100\nA.E: 110\nB: 120\nB.H: 130\n4 numbers to give in 2 forms\n"},
        {"a help project's largest number counts too; negative numbers do not",
         "A, L<A -5",
         false,
         Numbering(true, false),
         {1234},
         "A: 1300\n1 number to give in 1 form\n"},
        {"keyword help and unknown ancestors are skipped and listed",
         "A inherited, K<A w kw, R<A w inline, S<R w, Q<A w inline, O<A w inherited ctx 0",
         true,
         Numbering(true, true),
         {},
         "skipped A: inherited, ancestor unknown\nskipped A.K: keyword help\nA.S: 100\n"
         "skipped A.Q: inline, ancestor unknown\nA.O: 110\n2 numbers to give in 1 form\n"},
        {"the first version has no keyword help: a number is what F1 uses",
         "A, K<A w kw",
         false,
         Numbering(true, true),
         {},
         "A: 100\nA.K: 110\n2 numbers to give in 1 form\n"},
        {"nothing to do",
         "A 1, E<A w 'k'",
         true,
         Numbering(true, true),
         {},
         "0 numbers to give in 0 forms\n"},
    };
    for (const PlanCase& c : cases) {
        const Project project(c.forms);
        HelpProject help;
        for (const std::int32_t number : c.mapped)
            help.Map.push_back(HelpMapping{0, number});
        const std::set<std::int32_t> inUse = NumbersInUse(project.pointers, &help);
        EXPECT_EQ(PlanText(PlanHelpNumbers(project.pointers, c.laterVersions, inUse, c.numbering)), c.plan)
            << c.what;
    }
}

TEST(HelpNumberPlan, NumbersEndAt2147483647) {
    const std::vector<TPlannedNode> plan =
        PlanHelpNumbers(Project("A; B").pointers, false, {2147483646}, Numbering(true, false, 2147483637));
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[1].Number, 2147483647);
    const struct {
        const char* forms;
        std::optional<std::int32_t> from;
        const char* message;
    } cases[] = {
        {"A; B; C", 2147483637, "No help context number from 2147483637 in steps of 10 is free for C"},
        {"A", std::nullopt, "No help context number from 2147483700 in steps of 10 is free for A"},
    };
    for (const auto& c : cases) {
        try {
            PlanHelpNumbers(Project(c.forms).pointers, false, {2147483646}, Numbering(true, false, c.from));
            ADD_FAILURE() << "no error: " << c.forms;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
}

} // namespace
