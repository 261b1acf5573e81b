// A small incremental Cassowary constraint solver: required linear equalities plus edit
// variables of lower strengths, solved as a simplex tableau. Suggesting new edit values
// re-optimises the existing tableau with the dual simplex; nothing is rebuilt.
//
// The solution keeps every required equality exactly and minimises the sum, over all edit
// variables, of strength × |value − suggested value|.
//
// Raises (all derive from base::Error):
//   DuplicateConstraintError     addConstraint() with a constraint already added
//   UnsatisfiableConstraintError addConstraint() with a required equality that contradicts those
//                                already added (the solver is left as it was)
//   DuplicateEditVariableError   addEditVariable() for a variable that already is one
//   BadRequiredStrengthError     addEditVariable() with the required strength
//   UnknownEditVariableError     suggestValue() for a variable that is not an edit variable
//   InternalSolverError          the tableau reached a state the algorithm rules out
#pragma once

#include "base/errors.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ledgerine::gui {

// Strengths are single doubles: strong, medium and weak parts in steps of a thousand.
namespace strength {
inline constexpr double create(double strong, double medium, double weak, double weight = 1.0) {
    auto clip = [](double v) { return v < 0.0 ? 0.0 : (v > 1000.0 ? 1000.0 : v); };
    return clip(strong) * 1000000.0 * weight + clip(medium) * 1000.0 * weight + clip(weak) * weight;
}
inline constexpr double required = create(1000.0, 1000.0, 1000.0); // 1 001 001 000
inline constexpr double strong = create(1.0, 0.0, 0.0);
inline constexpr double medium = create(0.0, 1.0, 0.0);
inline constexpr double weak = create(0.0, 0.0, 1.0);
} // namespace strength

// A named unknown. Copies share identity and value; the solver writes value() in
// updateVariables().
class Variable {
public:
    explicit Variable(std::string name = {});
    const std::string& name() const noexcept { return data_->name; }
    double value() const noexcept { return data_->value; }
    // Identity, not value: operator== builds a constraint instead.
    bool sameAs(const Variable& other) const noexcept { return data_ == other.data_; }

private:
    friend class Solver;
    struct Data {
        std::string name;
        double value = 0.0;
    };
    const Data* id() const noexcept { return data_.get(); }
    void setValue(double value) noexcept { data_->value = value; }
    std::shared_ptr<Data> data_;
};

struct Term {
    Variable variable;
    double coefficient = 1.0;
};

// Σ coefficient × variable + constant.
class Expression {
public:
    Expression(double constant = 0.0) : constant_(constant) {}
    Expression(const Variable& variable) : terms_{Term{variable, 1.0}} {}
    const std::vector<Term>& terms() const noexcept { return terms_; }
    double constant() const noexcept { return constant_; }

    Expression& operator+=(const Expression& other);
    Expression& operator-=(const Expression& other);
    Expression& operator*=(double factor);
    // Renders as "a + 2 * b - 15", for error messages.
    std::string text() const;

private:
    std::vector<Term> terms_;
    double constant_ = 0.0;
};

Expression operator+(Expression a, const Expression& b);
Expression operator-(Expression a, const Expression& b);
Expression operator*(double factor, Expression e);
Expression operator*(Expression e, double factor);
Expression operator-(Expression e);

// A required equality "expression == 0". Copies share identity.
class Constraint {
public:
    explicit Constraint(Expression expression);
    const Expression& expression() const noexcept { return data_->expression; }
    bool sameAs(const Constraint& other) const noexcept { return data_ == other.data_; }
    // Renders as "a + b - c == 0".
    std::string text() const;

private:
    friend class Solver;
    struct Data {
        Expression expression;
    };
    const Data* id() const noexcept { return data_.get(); }
    std::shared_ptr<Data> data_;
};

// lhs == rhs as a required constraint (lhs − rhs == 0).
Constraint operator==(const Expression& lhs, const Expression& rhs);

class DuplicateConstraintError : public base::Error {
public:
    explicit DuplicateConstraintError(Constraint constraint);
    const Constraint& constraint() const noexcept { return constraint_; }

private:
    Constraint constraint_;
};

class UnsatisfiableConstraintError : public base::Error {
public:
    explicit UnsatisfiableConstraintError(Constraint constraint);
    const Constraint& constraint() const noexcept { return constraint_; }

private:
    Constraint constraint_;
};

class DuplicateEditVariableError : public base::Error {
public:
    explicit DuplicateEditVariableError(Variable variable);
    const Variable& variable() const noexcept { return variable_; }

private:
    Variable variable_;
};

class BadRequiredStrengthError : public base::Error {
public:
    explicit BadRequiredStrengthError(Variable variable);
    const Variable& variable() const noexcept { return variable_; }

private:
    Variable variable_;
};

class UnknownEditVariableError : public base::Error {
public:
    explicit UnknownEditVariableError(Variable variable);
    const Variable& variable() const noexcept { return variable_; }

private:
    Variable variable_;
};

class InternalSolverError : public base::Error {
public:
    explicit InternalSolverError(std::string message);
};

class Solver {
public:
    Solver();
    ~Solver();
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;
    Solver(Solver&&) noexcept;
    Solver& operator=(Solver&&) noexcept;

    // Adds a required equality and re-optimises. Raises DuplicateConstraintError or
    // UnsatisfiableConstraintError; on either the solver is unchanged.
    void addConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;

    // Makes variable an edit variable of the given strength (clipped to 0 .. required) with
    // suggested value 0. Raises DuplicateEditVariableError or BadRequiredStrengthError.
    void addEditVariable(const Variable& variable, double strength);
    bool hasEditVariable(const Variable& variable) const;

    // Suggests a value for an edit variable and re-optimises incrementally (dual simplex).
    // Raises UnknownEditVariableError.
    void suggestValue(const Variable& variable, double value);

    // Writes the current solution into every variable the solver knows.
    void updateVariables();

    std::size_t constraintCount() const;
    std::size_t editVariableCount() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ledgerine::gui
