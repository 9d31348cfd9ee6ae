#include "help/HelpNumberPlan.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "report/AssignReport.h"
#include "runtime/Exceptions.h"
#include "tests/support/ShortTree.h"

namespace {

// Forms written as TreeOfShort trees joined by ";".
struct Project {
    explicit Project(const std::string& trees) {
        std::istringstream each(trees);
        for (std::string one; std::getline(each, one, ';');) {
            ScannedForm& form = forms.emplace_back();
            form.Tree = TreeOfShort(one.substr(one.find_first_not_of(' ')));
            form.Name = form.Tree->Nodes[0].Name;
            pointers.push_back(&form);
        }
    }
    std::deque<ScannedForm> forms;
    std::vector<const ScannedForm*> pointers;
};

// The plan's text for the forms and the words of `options`: "later" (versions), "forms", "controls",
// "from N", "step S", "mapped N" (by the help project).
std::string Plan(const std::string& forms, const std::string& options) {
    const Project project(forms);
    THelpNumbering numbering{false, false, std::nullopt, 10};
    HelpProject help;
    bool later = false;
    std::istringstream words(options);
    for (std::string word; words >> word;) {
        later = later || word == "later";
        numbering.Forms = numbering.Forms || word == "forms";
        numbering.Controls = numbering.Controls || word == "controls";
        std::int32_t number = 0;
        if (word == "from" && words >> number)
            numbering.From = number;
        if (word == "step" && words >> number)
            numbering.Step = number;
        if (word == "mapped" && words >> number)
            help.Map.push_back(HelpMapping{0, number});
    }
    return PlanText(
        PlanHelpNumbers(project.pointers, later, NumbersInUse(project.pointers, &help), numbering));
}

TEST(HelpNumberPlan, NumbersAndSkipsInTheProjectsOrder) {
    const struct {
        const char* what;
        const char* forms;
        const char* options;
        const char* plan;
    } cases[] = {
        {"forms without help of their own, from the first hundred above every number held",
         "A 100, E<A w; B, L<B 250; C 0", "forms", "B: 300\nC: 310\n2 numbers to give in 2 forms\n"},
        {"controls whose help is not their own, wherever F1 lands; not the forms",
         "A 7, P<A w 5, E<P w, F<P w 6, G<A w; B, H<B w", "controls",
         "A.E: 100\nA.G: 110\nB.H: 120\n3 numbers to give in 2 forms\n"},
        {"each form before its controls; numbers held anywhere and mapped ones passed over",
         "A, E<A w, L<A 115; B, H<B w", "forms controls from 100 step 5 mapped 105 mapped 125",
         "A: 100\nA.E: 110\nB: 120\nB.H: 130\n4 numbers to give in 2 forms\n"},
        {"the help project's largest number counts too", "A, L<A -5", "forms mapped 1234",
         "A: 1300\n1 number to give in 1 form\n"},
        {"keyword help and unknown ancestors are skipped and listed",
         "A inherited, K<A w kw, R<A w inline, S<R w, Q<A w inline, O<A w inherited ctx 0",
         "later forms controls",
         "skipped A: inherited, ancestor unknown\nskipped A.K: keyword help\nA.S: 100\n"
         "skipped A.Q: inline, ancestor unknown\nA.O: 110\n2 numbers to give in 1 form\n"},
        {"the first version has no keyword help; a keyword is help in later ones", "A, K<A w kw, L<A w 'k'",
         "forms controls", "A: 100\nA.K: 110\nA.L: 120\n3 numbers to give in 1 form\n"},
        {"the last number there is", "A; B", "forms from 2147483637 mapped 2147483646",
         "A: 2147483637\nB: 2147483647\n2 numbers to give in 2 forms\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Plan(c.forms, c.options), c.plan) << c.what;
    try {
        Plan("A; B; C", "forms from 2147483637 mapped 2147483646");
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "No help context number from 2147483637 in steps of 10 is free for C");
    }
}

} // namespace
