#include "scanner/HelpLanding.h"

#include <gtest/gtest.h>

#include "tests/support/ShortTree.h"

namespace {

// "Control=lands(Via)" for each focusable node.
std::string Landings(const TFormTree& tree, bool laterVersions) {
    std::string text;
    for (const TFocusLanding& landing : WhereF1Lands(tree, laterVersions)) {
        text +=
            (text.empty() ? "" : " ") + tree.Nodes[landing.Control].Name + "=" + LandingName(landing.Lands);
        if (landing.Via)
            text += "(" + tree.Nodes[*landing.Via].Name + ")";
    }
    return text;
}

struct LandingCase {
    const char* Name;
    const char* Nodes;
    bool LaterVersions;
    const char* Expected;
};

TEST(HelpLanding, WhereF1LandsFromEachFocusableControl) {
    const LandingCase cases[] = {
        {"the form's help through a panel; a panel of labels is focusable",
         "F 10, P<F w, E<P w, Q<F w, L<Q 3", false, "F=own(F) E=form(F) Q=form(F)"},
        {"the nearest container with help; none without the form's; 0 is no help",
         "F, G<F w 5, P<G w, E<P w, B<G w 7, M<F w 0", false, "F=none E=container(G) B=own(B) M=none"},
        {"keyword help in later versions", "F 1, A<F w 'topic', B<F w kw 9, C<F w ctx 'topic', D<F w kw ''",
         true, "F=own(F) A=own(A) B=form(F) C=form(F) D=form(F)"},
        {"no keyword help in the first version", "F, A<F w 'topic', B<F w kw 9", false,
         "F=none A=none B=own(B)"},
        {"inherited nodes: unknown until a stated help decides",
         "F inherited, A<F w inherited, B<F w inherited 0, C<F w 4, P<F w inherited 3, E<P w", false,
         "F=unknown A=unknown B=unknown C=own(C) E=container(P)"},
        {"inside a frame placed inline, under a form with help",
         "F 1, R<F w inline, E<R w inherited, N<R w, S<R w inherited 0, T<F w inherited 0", false,
         "F=own(F) E=unknown N=unknown S=unknown T=form(F)"},
        {"later versions: an ancestor's htKeyword may void a stated number",
         "F 1, A<F w inherited 6, B<F w inherited ctx 6, C<F w inherited 6 'k', D<F w inherited 0 ''", true,
         "F=own(F) A=unknown B=own(B) C=own(C) D=form(F)"},
    };
    for (const LandingCase& c : cases)
        EXPECT_EQ(Landings(TreeOfShort(c.Nodes), c.LaterVersions), c.Expected) << c.Name;
}

} // namespace
