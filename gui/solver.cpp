#include "gui/solver.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <sstream>
#include <utility>

namespace ledgerine::gui {

namespace {

// Tableau entries closer to zero than this are treated as zero: they are rounding residue of
// strengths that differ by many orders of magnitude.
constexpr double kEpsilon = 1.0e-8;

bool nearZero(double value) {
    return std::fabs(value) < kEpsilon;
}

std::string numberText(double value) {
    std::ostringstream out;
    out.precision(15);
    out << value;
    return out.str();
}

enum class SymbolType { Invalid, External, Slack, Error, Dummy };

struct Symbol {
    std::uint64_t id = 0;
    SymbolType type = SymbolType::Invalid;

    bool valid() const { return type != SymbolType::Invalid; }
    bool restricted() const { return type == SymbolType::Slack || type == SymbolType::Error; }
    friend bool operator<(Symbol a, Symbol b) { return a.id < b.id; }
};

// One tableau row: constant + Σ coefficient × symbol. As a basic row it gives its key
// symbol's value; cells are ordered by symbol id, so every choice below is deterministic.
class Row {
public:
    explicit Row(double constant = 0.0) : constant_(constant) {}

    double constant() const { return constant_; }
    const std::map<Symbol, double>& cells() const { return cells_; }

    double add(double value) { return constant_ += value; }

    void insert(Symbol symbol, double coefficient = 1.0) {
        auto [it, inserted] = cells_.emplace(symbol, coefficient);
        if (!inserted) it->second += coefficient;
        if (nearZero(it->second)) cells_.erase(it);
    }

    void insert(const Row& other, double coefficient = 1.0) {
        constant_ += other.constant_ * coefficient;
        for (const auto& [symbol, c] : other.cells_)
            insert(symbol, c * coefficient);
    }

    void remove(Symbol symbol) { cells_.erase(symbol); }

    void reverseSign() {
        constant_ = -constant_;
        for (auto& cell : cells_)
            cell.second = -cell.second;
    }

    // Rewrites "0 = row" as "symbol = ...", removing symbol from the cells.
    void solveFor(Symbol symbol) {
        auto it = cells_.find(symbol);
        double factor = -1.0 / it->second;
        cells_.erase(it);
        constant_ *= factor;
        for (auto& cell : cells_)
            cell.second *= factor;
    }

    // Rewrites "lhs = row" as "rhs = ...".
    void solveFor(Symbol lhs, Symbol rhs) {
        insert(lhs, -1.0);
        solveFor(rhs);
    }

    double coefficientFor(Symbol symbol) const {
        auto it = cells_.find(symbol);
        return it == cells_.end() ? 0.0 : it->second;
    }

    void substitute(Symbol symbol, const Row& row) {
        auto it = cells_.find(symbol);
        if (it == cells_.end()) return;
        double coefficient = it->second;
        cells_.erase(it);
        insert(row, coefficient);
    }

private:
    double constant_ = 0.0;
    std::map<Symbol, double> cells_;
};

// The symbols a constraint or edit variable brought into the tableau: the marker (a dummy for
// a required equality, the positive error for an edit) and the other (the negative error).
struct Tag {
    Symbol marker;
    Symbol other;
};

} // namespace

// ---- Variable, Expression, Constraint -----------------------------------------------------

Variable::Variable(std::string name) : data_(std::make_shared<Data>()) {
    data_->name = std::move(name);
}

Expression& Expression::operator+=(const Expression& other) {
    terms_.insert(terms_.end(), other.terms_.begin(), other.terms_.end());
    constant_ += other.constant_;
    return *this;
}

Expression& Expression::operator-=(const Expression& other) {
    for (const Term& term : other.terms_)
        terms_.push_back(Term{term.variable, -term.coefficient});
    constant_ -= other.constant_;
    return *this;
}

Expression& Expression::operator*=(double factor) {
    for (Term& term : terms_)
        term.coefficient *= factor;
    constant_ *= factor;
    return *this;
}

std::string Expression::text() const {
    std::string out;
    for (const Term& term : terms_) {
        double c = term.coefficient;
        if (out.empty()) {
            if (c < 0) out += "-";
        } else {
            out += c < 0 ? " - " : " + ";
        }
        if (std::fabs(c) != 1.0) out += numberText(std::fabs(c)) + " * ";
        out += term.variable.name().empty() ? "<unnamed>" : term.variable.name();
    }
    if (out.empty()) return numberText(constant_);
    if (constant_ != 0.0) out += (constant_ < 0 ? " - " : " + ") + numberText(std::fabs(constant_));
    return out;
}

Expression operator+(Expression a, const Expression& b) {
    return a += b;
}
Expression operator-(Expression a, const Expression& b) {
    return a -= b;
}
Expression operator*(double factor, Expression e) {
    return e *= factor;
}
Expression operator*(Expression e, double factor) {
    return e *= factor;
}
Expression operator-(Expression e) {
    return e *= -1.0;
}

Constraint::Constraint(Expression expression) : data_(std::make_shared<Data>()) {
    data_->expression = std::move(expression);
}

std::string Constraint::text() const {
    return expression().text() + " == 0";
}

Constraint operator==(const Expression& lhs, const Expression& rhs) {
    return Constraint(lhs - rhs);
}

// ---- Errors -------------------------------------------------------------------------------

namespace {
std::string variableName(const Variable& variable) {
    return variable.name().empty() ? "<unnamed>" : variable.name();
}
} // namespace

DuplicateConstraintError::DuplicateConstraintError(Constraint constraint)
    : base::Error("DuplicateConstraintError", "duplicate constraint: " + constraint.text()),
      constraint_(std::move(constraint)) {}

UnsatisfiableConstraintError::UnsatisfiableConstraintError(Constraint constraint)
    : base::Error("UnsatisfiableConstraintError",
                  "unsatisfiable required constraint: " + constraint.text()),
      constraint_(std::move(constraint)) {}

DuplicateEditVariableError::DuplicateEditVariableError(Variable variable)
    : base::Error("DuplicateEditVariableError",
                  "duplicate edit variable: " + variableName(variable)),
      variable_(std::move(variable)) {}

BadRequiredStrengthError::BadRequiredStrengthError(Variable variable)
    : base::Error("BadRequiredStrengthError",
                  "an edit variable cannot be required: " + variableName(variable)),
      variable_(std::move(variable)) {}

UnknownEditVariableError::UnknownEditVariableError(Variable variable)
    : base::Error("UnknownEditVariableError", "unknown edit variable: " + variableName(variable)),
      variable_(std::move(variable)) {}

InternalSolverError::InternalSolverError(std::string message)
    : base::Error("InternalSolverError", std::move(message)) {}

// ---- The tableau --------------------------------------------------------------------------

class Solver::Impl {
public:
    void addConstraint(const Constraint& constraint) {
        if (constraints_.count(constraint.id()) != 0) throw DuplicateConstraintError(constraint);
        Tag tag;
        Row row = createRow(constraint.expression(), strength::required, tag);
        if (!addRow(std::move(row), tag)) throw UnsatisfiableConstraintError(constraint);
        constraints_.emplace(constraint.id(), ConstraintInfo{constraint, tag});
        optimize(objective_);
    }

    bool hasConstraint(const Constraint& constraint) const {
        return constraints_.count(constraint.id()) != 0;
    }

    void addEditVariable(const Variable& variable, double strength) {
        if (edits_.count(variable.id()) != 0) throw DuplicateEditVariableError(variable);
        strength = clip(strength);
        if (strength >= strength::required) throw BadRequiredStrengthError(variable);
        Tag tag;
        Row row = createRow(Expression(variable), strength, tag);
        // An edit row carries its own error symbols, so it can always be added.
        if (!addRow(std::move(row), tag)) throw InternalSolverError("cannot add an edit variable");
        edits_.emplace(variable.id(), EditInfo{variable, tag, 0.0});
        optimize(objective_);
    }

    bool hasEditVariable(const Variable& variable) const {
        return edits_.count(variable.id()) != 0;
    }

    void suggestValue(const Variable& variable, double value) {
        auto edit = edits_.find(variable.id());
        if (edit == edits_.end()) throw UnknownEditVariableError(variable);
        EditInfo& info = edit->second;
        double delta = value - info.constant;
        info.constant = value;

        // The edit row reads variable − value = plus − minus; a change of value moves whichever
        // error symbol is basic, or else every row that depends on the positive error.
        if (auto it = rows_.find(info.tag.marker); it != rows_.end()) {
            if (it->second.add(-delta) < 0.0) infeasible_.push_back(it->first);
        } else if (auto other = rows_.find(info.tag.other); other != rows_.end()) {
            if (other->second.add(delta) < 0.0) infeasible_.push_back(other->first);
        } else {
            for (auto& [symbol, row] : rows_) {
                double coefficient = row.coefficientFor(info.tag.marker);
                if (coefficient != 0.0 && row.add(delta * coefficient) < 0.0 &&
                    symbol.type != SymbolType::External) {
                    infeasible_.push_back(symbol);
                }
            }
        }
        dualOptimize();
    }

    void updateVariables() {
        for (auto& [id, entry] : variables_) {
            auto it = rows_.find(entry.second);
            double value = it == rows_.end() ? 0.0 : it->second.constant();
            entry.first.setValue(value == 0.0 ? 0.0 : value); // no negative zero
        }
    }

    std::size_t constraintCount() const { return constraints_.size(); }
    std::size_t editVariableCount() const { return edits_.size(); }

private:
    struct ConstraintInfo {
        Constraint constraint;
        Tag tag;
    };
    struct EditInfo {
        Variable variable;
        Tag tag;
        double constant = 0.0;
    };

    static double clip(double strength) {
        if (!(strength > 0.0)) return 0.0; // NaN too
        return strength > strength::required ? strength::required : strength;
    }

    Symbol newSymbol(SymbolType type) { return Symbol{nextId_++, type}; }

    Symbol variableSymbol(const Variable& variable) {
        auto it = variables_.find(variable.id());
        if (it != variables_.end()) return it->second.second;
        Symbol symbol = newSymbol(SymbolType::External);
        variables_.emplace(variable.id(), std::make_pair(variable, symbol));
        return symbol;
    }

    // The row of "expression == 0" in terms of the current parametric symbols, with a dummy
    // for a required equality or a pair of weighted error symbols otherwise.
    Row createRow(const Expression& expression, double strength, Tag& tag) {
        Row row(expression.constant());
        for (const Term& term : expression.terms()) {
            if (nearZero(term.coefficient)) continue;
            Symbol symbol = variableSymbol(term.variable);
            if (auto it = rows_.find(symbol); it != rows_.end()) {
                row.insert(it->second, term.coefficient);
            } else {
                row.insert(symbol, term.coefficient);
            }
        }
        if (strength < strength::required) {
            Symbol plus = newSymbol(SymbolType::Error);
            Symbol minus = newSymbol(SymbolType::Error);
            row.insert(plus, -1.0);
            row.insert(minus, 1.0);
            objective_.insert(plus, strength);
            objective_.insert(minus, strength);
            tag = Tag{plus, minus};
        } else {
            Symbol dummy = newSymbol(SymbolType::Dummy);
            row.insert(dummy);
            tag = Tag{dummy, Symbol{}};
        }
        if (row.constant() < 0.0) row.reverseSign();
        return row;
    }

    // Puts a new row into the tableau; false when it contradicts the required rows (then
    // the tableau is as it was).
    bool addRow(Row row, const Tag& tag) {
        Symbol subject = chooseSubject(row, tag);
        if (!subject.valid() && allDummies(row)) {
            if (!nearZero(row.constant())) return false;
            subject = tag.marker;
        }
        if (!subject.valid()) return addWithArtificialVariable(row);
        row.solveFor(subject);
        substitute(subject, row);
        rows_.insert_or_assign(subject, std::move(row));
        return true;
    }

    static Symbol chooseSubject(const Row& row, const Tag& tag) {
        for (const auto& cell : row.cells()) {
            if (cell.first.type == SymbolType::External) return cell.first;
        }
        if (tag.marker.restricted() && row.coefficientFor(tag.marker) < 0.0) return tag.marker;
        if (tag.other.restricted() && row.coefficientFor(tag.other) < 0.0) return tag.other;
        return Symbol{};
    }

    static bool allDummies(const Row& row) {
        for (const auto& cell : row.cells()) {
            if (cell.first.type != SymbolType::Dummy) return false;
        }
        return true;
    }

    // Phase one: drive an artificial slack standing for the row down to zero. On failure the
    // tableau is restored, so a rejected constraint leaves no trace.
    bool addWithArtificialVariable(const Row& row) {
        std::map<Symbol, Row> savedRows = rows_;
        Row savedObjective = objective_;
        auto restore = [&] {
            rows_ = std::move(savedRows);
            objective_ = std::move(savedObjective);
            infeasible_.clear();
            return false;
        };

        Symbol art = newSymbol(SymbolType::Slack);
        rows_.insert_or_assign(art, row);
        artificial_ = std::make_unique<Row>(row);
        optimize(*artificial_);
        bool success = nearZero(artificial_->constant());
        artificial_.reset();
        if (!success) return restore();

        if (auto it = rows_.find(art); it != rows_.end()) {
            Row basic = std::move(it->second);
            rows_.erase(it);
            if (!basic.cells().empty()) {
                Symbol entering = anyPivotableSymbol(basic);
                if (!entering.valid()) return restore();
                basic.solveFor(art, entering);
                substitute(entering, basic);
                rows_.insert_or_assign(entering, std::move(basic));
            }
        }
        for (auto& entry : rows_)
            entry.second.remove(art);
        objective_.remove(art);
        return true;
    }

    static Symbol anyPivotableSymbol(const Row& row) {
        for (const auto& cell : row.cells()) {
            if (cell.first.restricted()) return cell.first;
        }
        return Symbol{};
    }

    void substitute(Symbol symbol, const Row& row) {
        for (auto& [key, other] : rows_) {
            other.substitute(symbol, row);
            if (key.type != SymbolType::External && other.constant() < 0.0) {
                infeasible_.push_back(key);
            }
        }
        objective_.substitute(symbol, row);
        if (artificial_) artificial_->substitute(symbol, row);
    }

    void pivot(std::map<Symbol, Row>::iterator leavingRow, Symbol entering) {
        Symbol leaving = leavingRow->first;
        Row row = std::move(leavingRow->second);
        rows_.erase(leavingRow);
        row.solveFor(leaving, entering);
        substitute(entering, row);
        rows_.insert_or_assign(entering, std::move(row));
    }

    // Primal simplex. Entering: the lowest-id symbol with a negative cost; leaving: the
    // lowest-id row of minimum ratio. Choosing by lowest id (Bland) rules out cycling on
    // this highly degenerate tableau.
    void optimize(const Row& objective) {
        for (;;) {
            Symbol entering;
            for (const auto& cell : objective.cells()) {
                if (cell.first.type != SymbolType::Dummy && cell.second < 0.0) {
                    entering = cell.first;
                    break;
                }
            }
            if (!entering.valid()) return;

            auto leaving = rows_.end();
            double best = std::numeric_limits<double>::max();
            for (auto it = rows_.begin(); it != rows_.end(); ++it) {
                if (it->first.type == SymbolType::External) continue;
                double coefficient = it->second.coefficientFor(entering);
                if (coefficient >= 0.0) continue;
                double ratio = -it->second.constant() / coefficient;
                if (ratio < best) {
                    best = ratio;
                    leaving = it;
                }
            }
            if (leaving == rows_.end()) throw InternalSolverError("the objective is unbounded");
            pivot(leaving, entering);
        }
    }

    // Dual simplex: restores feasibility of the rows a suggestion made negative, keeping the
    // objective optimal.
    void dualOptimize() {
        while (!infeasible_.empty()) {
            Symbol leavingSymbol = infeasible_.back();
            infeasible_.pop_back();
            auto leaving = rows_.find(leavingSymbol);
            if (leaving == rows_.end() || nearZero(leaving->second.constant()) ||
                leaving->second.constant() >= 0.0) {
                continue;
            }
            Symbol entering;
            double best = std::numeric_limits<double>::max();
            for (const auto& [symbol, coefficient] : leaving->second.cells()) {
                if (coefficient > 0.0 && symbol.type != SymbolType::Dummy) {
                    double ratio = objective_.coefficientFor(symbol) / coefficient;
                    if (ratio < best) {
                        best = ratio;
                        entering = symbol;
                    }
                }
            }
            if (!entering.valid()) throw InternalSolverError("dual optimize failed");
            pivot(leaving, entering);
        }
    }

    std::map<const Constraint::Data*, ConstraintInfo> constraints_;
    std::map<const Variable::Data*, std::pair<Variable, Symbol>> variables_;
    std::map<const Variable::Data*, EditInfo> edits_;
    std::map<Symbol, Row> rows_;
    Row objective_;
    std::unique_ptr<Row> artificial_;
    std::vector<Symbol> infeasible_;
    std::uint64_t nextId_ = 1;
};

// ---- Facade -------------------------------------------------------------------------------

Solver::Solver() : impl_(std::make_unique<Impl>()) {}
Solver::~Solver() = default;
Solver::Solver(Solver&&) noexcept = default;
Solver& Solver::operator=(Solver&&) noexcept = default;

void Solver::addConstraint(const Constraint& constraint) {
    impl_->addConstraint(constraint);
}
bool Solver::hasConstraint(const Constraint& constraint) const {
    return impl_->hasConstraint(constraint);
}
void Solver::addEditVariable(const Variable& variable, double strength) {
    impl_->addEditVariable(variable, strength);
}
bool Solver::hasEditVariable(const Variable& variable) const {
    return impl_->hasEditVariable(variable);
}
void Solver::suggestValue(const Variable& variable, double value) {
    impl_->suggestValue(variable, value);
}
void Solver::updateVariables() {
    impl_->updateVariables();
}
std::size_t Solver::constraintCount() const {
    return impl_->constraintCount();
}
std::size_t Solver::editVariableCount() const {
    return impl_->editVariableCount();
}

} // namespace ledgerine::gui
