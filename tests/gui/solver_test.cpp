#include "gui/solver.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ledgerine::gui {
namespace {

TEST(Strength, CombinesPartsInStepsOfAThousand) {
    EXPECT_EQ(strength::required, 1001001000.0);
    EXPECT_EQ(strength::strong, 1000000.0);
    EXPECT_EQ(strength::medium, 1000.0);
    EXPECT_EQ(strength::weak, 1.0);
    EXPECT_EQ(strength::create(1.0, 2.0, 3.0), 1002003.0);
    EXPECT_EQ(strength::create(5000.0, -1.0, 1.0, 2.0), 2000000002.0); // parts are clipped
}

TEST(Solver, OneEditVariableTakesItsSuggestion) {
    Solver solver;
    Variable x("x");
    solver.addEditVariable(x, strength::weak);
    solver.updateVariables();
    EXPECT_NEAR(x.value(), 0.0, 1e-9);
    for (double value : {42.0, -7.5, 0.0, 1e6}) {
        solver.suggestValue(x, value);
        solver.updateVariables();
        EXPECT_NEAR(x.value(), value, 1e-9);
    }
}

// x == y is required; each side prefers its own suggestion with its own strength.
TEST(Solver, StrongerEditWinsAnEquality) {
    struct Case {
        double strengthX, strengthY, suggestX, suggestY, expected;
    };
    const std::vector<Case> cases = {
        {strength::strong, strength::weak, 10.0, 20.0, 10.0},
        {strength::weak, strength::strong, 10.0, 20.0, 20.0},
        {strength::medium, strength::weak, -3.0, 50.0, -3.0},
        {1001000999.0, 0.1, 399.0, 120.0, 399.0},
        {0.01, 0.1, 0.0, 75.0, 75.0},
    };
    for (const Case& c : cases) {
        Solver solver;
        Variable x("x"), y("y");
        solver.addEditVariable(x, c.strengthX);
        solver.addEditVariable(y, c.strengthY);
        solver.addConstraint(x == y);
        solver.suggestValue(x, c.suggestX);
        solver.suggestValue(y, c.suggestY);
        solver.updateVariables();
        EXPECT_NEAR(x.value(), c.expected, 1e-9) << c.strengthX << " vs " << c.strengthY;
        EXPECT_NEAR(y.value(), c.expected, 1e-9);
    }
}

TEST(Solver, RequiredEqualitiesHoldExactly) {
    Solver solver;
    Variable left("left"), width("width"), right("right");
    solver.addEditVariable(left, strength::strong);
    solver.addEditVariable(width, strength::weak);
    solver.addEditVariable(right, strength::medium);
    solver.addConstraint(right == left + width);
    solver.addConstraint(width == 2.0 * left - 10);
    solver.suggestValue(left, 30.0);
    solver.suggestValue(width, 0.0);
    solver.suggestValue(right, 0.0);
    solver.updateVariables();
    EXPECT_NEAR(left.value(), 30.0, 1e-9);
    EXPECT_NEAR(width.value(), 50.0, 1e-9);
    EXPECT_NEAR(right.value(), 80.0, 1e-9);
}

TEST(Solver, VariablesOnlyInConstraintsFollowTheEdits) {
    Solver solver;
    Variable x("x"), y("y");
    solver.addEditVariable(x, strength::strong);
    solver.addConstraint(y == x + 5);
    solver.suggestValue(x, 12.0);
    solver.updateVariables();
    EXPECT_NEAR(y.value(), 17.0, 1e-9);
}

// A chain like the panel's row: the cheapest change is the weakest width at the end.
TEST(Solver, ChangeGoesToTheCheapestVariable) {
    Solver solver;
    Variable total("total"), a("a"), b("b"), bx("bx");
    solver.addEditVariable(total, 1001000999.0);
    solver.addEditVariable(a, 0.1);
    solver.addEditVariable(bx, 0.01);
    solver.addEditVariable(b, 0.1);
    solver.addConstraint(bx == a + 10);
    solver.addConstraint(bx + b == total);
    solver.suggestValue(total, 200.0);
    solver.suggestValue(a, 60.0);
    solver.suggestValue(bx, 0.0);
    solver.suggestValue(b, 40.0);
    solver.updateVariables();
    EXPECT_NEAR(a.value(), 60.0, 1e-9);
    EXPECT_NEAR(bx.value(), 70.0, 1e-9);
    EXPECT_NEAR(b.value(), 130.0, 1e-9);
}

// Re-suggesting runs the dual simplex on the existing tableau; every step must give what a
// freshly built solver gives for the same suggestions.
TEST(Solver, ResuggestingMatchesAFreshSolve) {
    struct Model {
        Solver solver;
        Variable x{"x"}, y{"y"}, w{"w"}, z{"z"};
        Model() {
            solver.addEditVariable(x, strength::strong);
            solver.addEditVariable(y, strength::medium);
            solver.addEditVariable(w, strength::weak);
            solver.addEditVariable(z, 0.5);
            solver.addConstraint(x + w == y);
            solver.addConstraint(z == w + 10);
        }
        void suggest(double sx, double sy, double sw, double sz) {
            solver.suggestValue(x, sx);
            solver.suggestValue(y, sy);
            solver.suggestValue(w, sw);
            solver.suggestValue(z, sz);
            solver.updateVariables();
        }
    };
    Model incremental;
    double sx = 3.0, sy = -8.0, sw = 40.0, sz = 1.0;
    for (int step = 0; step < 40; ++step) {
        sx = std::fmod(sx * 7.0 + 13.0, 211.0) - 90.0;
        sy = std::fmod(sy * 5.0 + 17.0, 197.0) - 60.0;
        sw = std::fmod(sw * 3.0 + 11.0, 173.0) - 50.0;
        sz = std::fmod(sz * 11.0 + 19.0, 157.0) - 40.0;
        incremental.suggest(sx, sy, sw, sz);
        Model fresh;
        fresh.suggest(sx, sy, sw, sz);
        EXPECT_NEAR(incremental.x.value(), fresh.x.value(), 1e-7) << "step " << step;
        EXPECT_NEAR(incremental.y.value(), fresh.y.value(), 1e-7) << "step " << step;
        EXPECT_NEAR(incremental.w.value(), fresh.w.value(), 1e-7) << "step " << step;
        EXPECT_NEAR(incremental.z.value(), fresh.z.value(), 1e-7) << "step " << step;
        // The strongest wins x, then y; w and z follow from the constraints.
        EXPECT_NEAR(incremental.x.value(), sx, 1e-7);
        EXPECT_NEAR(incremental.y.value(), sy, 1e-7);
        EXPECT_NEAR(incremental.w.value(), sy - sx, 1e-7);
        EXPECT_NEAR(incremental.z.value(), sy - sx + 10.0, 1e-7);
    }
}

TEST(Solver, CountsWhatWasAdded) {
    Solver solver;
    Variable x("x"), y("y");
    Constraint c = x == y;
    solver.addEditVariable(x, strength::weak);
    solver.addConstraint(c);
    EXPECT_TRUE(solver.hasConstraint(c));
    EXPECT_FALSE(solver.hasConstraint(x == y)); // another constraint object, same text
    EXPECT_TRUE(solver.hasEditVariable(x));
    EXPECT_FALSE(solver.hasEditVariable(y));
    EXPECT_EQ(solver.constraintCount(), 1u);
    EXPECT_EQ(solver.editVariableCount(), 1u);
}

TEST(Solver, MisuseRaisesNamedErrors) {
    Variable x("x"), y("y"), other("other");
    Constraint sum = x + y == 10;

    struct Case {
        const char* name;
        const char* message;
        void (*misuse)(Solver&, const Variable&, const Variable&, const Variable&,
                       const Constraint&);
    };
    const std::vector<Case> cases = {
        {"DuplicateConstraintError", "duplicate constraint: x + y - 10 == 0",
         [](Solver& s, const Variable&, const Variable&, const Variable&, const Constraint& c) {
             s.addConstraint(c);
         }},
        {"DuplicateEditVariableError", "duplicate edit variable: x",
         [](Solver& s, const Variable& x, const Variable&, const Variable&, const Constraint&) {
             s.addEditVariable(x, strength::weak);
         }},
        {"BadRequiredStrengthError", "an edit variable cannot be required: y",
         [](Solver& s, const Variable&, const Variable& y, const Variable&, const Constraint&) {
             s.addEditVariable(y, strength::required * 2.0); // clipped to required
         }},
        {"UnknownEditVariableError", "unknown edit variable: other",
         [](Solver& s, const Variable&, const Variable&, const Variable& o, const Constraint&) {
             s.suggestValue(o, 1.0);
         }},
        {"UnsatisfiableConstraintError", "unsatisfiable required constraint: x + y - 11 == 0",
         [](Solver& s, const Variable& x, const Variable& y, const Variable&, const Constraint&) {
             s.addConstraint(x + y == 11);
         }},
    };
    for (const Case& c : cases) {
        Solver solver;
        solver.addEditVariable(x, strength::strong);
        solver.addConstraint(sum);
        try {
            c.misuse(solver, x, y, other, sum);
            ADD_FAILURE() << "no error for " << c.name;
        } catch (const base::Error& error) {
            EXPECT_EQ(error.name(), c.name);
            EXPECT_EQ(error.message(), c.message);
        }
    }
}

TEST(Solver, ErrorsCarryTheOffendingObject) {
    Solver solver;
    Variable x("x");
    Constraint c = x == 1;
    solver.addConstraint(c);
    try {
        solver.addConstraint(c);
        FAIL();
    } catch (const DuplicateConstraintError& error) {
        EXPECT_TRUE(error.constraint().sameAs(c));
    }
    try {
        solver.suggestValue(x, 2.0);
        FAIL();
    } catch (const UnknownEditVariableError& error) {
        EXPECT_TRUE(error.variable().sameAs(x));
    }
}

// A rejected constraint leaves the solver as it was, on both ways of detecting it.
TEST(Solver, UnsatisfiableConstraintLeavesTheSolverUnchanged) {
    Solver solver;
    Variable x("x"), y("y"), z("z");
    solver.addEditVariable(x, strength::strong);
    solver.addEditVariable(y, strength::weak);
    solver.addConstraint(x == y + 1);
    solver.addConstraint(z == 5);
    EXPECT_THROW(solver.addConstraint(x == y), UnsatisfiableConstraintError); // artificial
    EXPECT_THROW(solver.addConstraint(z == 6), UnsatisfiableConstraintError); // dummies only
    EXPECT_EQ(solver.constraintCount(), 2u);

    solver.suggestValue(x, 30.0);
    solver.suggestValue(y, 0.0);
    solver.updateVariables();
    EXPECT_NEAR(x.value(), 30.0, 1e-9);
    EXPECT_NEAR(y.value(), 29.0, 1e-9);
    EXPECT_NEAR(z.value(), 5.0, 1e-9);
}

TEST(Solver, RedundantButConsistentConstraintIsAccepted) {
    Solver solver;
    Variable x("x"), y("y");
    solver.addEditVariable(x, strength::strong);
    solver.addConstraint(y == x + 2);
    solver.addConstraint(2.0 * y == 2.0 * x + 4);
    solver.suggestValue(x, 1.0);
    solver.updateVariables();
    EXPECT_NEAR(y.value(), 3.0, 1e-9);
}

} // namespace
} // namespace ledgerine::gui
