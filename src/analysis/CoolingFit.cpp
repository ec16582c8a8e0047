#include "FitSupport.h"
#include "Fits.h"
#include "GslErrors.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace analysis
{

namespace
{

constexpr std::size_t parameterCount = 3;
// A column of the Jacobian at the minimum that adds less than this share of
// the first to the others fixes its parameter only by the last digits of a
// double.
constexpr double minimumRank = 1e-10;

// The iteration works on τ = (t − t0)/T, t0 the earliest time and T the span,
// with y = a + d·e^(−κ·τ). All three parameters then have sizes of the same
// order whatever the units and wherever the times start; the result is turned
// back into ambient, initial and rate for t as given, which is the same curve.
struct Curve {
    double a = 0.0;
    double d = 0.0;
    double kappa = 0.0;
};

struct Scaled {
    // τ is worked out where it is needed rather than stored: at a million
    // readings a copy of the times is memory the solver's workspace needs.
    std::span<const double> t;
    double t0 = 0.0;
    double span = 1.0;
    std::span<const double> y;
    // e^(−κ·τ) of the last residuals: the solver asks for the Jacobian at the
    // point it has just evaluated, and the exponentials are most of the work.
    std::vector<double> decay;
    double decayKappa = std::numeric_limits<double>::quiet_NaN();

    std::size_t size() const { return t.size(); }
    double tau(std::size_t i) const { return (t[i] - t0) / span; }

    void decayAt(double kappa)
    {
        if (kappa == decayKappa)
            return;
        decay.resize(size());
        for (std::size_t i = 0; i < size(); ++i)
            decay[i] = std::exp(-kappa * tau(i));
        decayKappa = kappa;
    }
};

int residuals(const gsl_vector* x, void* data, gsl_vector* f)
{
    auto& s = *static_cast<Scaled*>(data);
    const double a = gsl_vector_get(x, 0);
    const double d = gsl_vector_get(x, 1);
    s.decayAt(gsl_vector_get(x, 2));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double r = a + d * s.decay[i] - s.y[i];
        // A trial step far out overflows; saying so keeps the solver from
        // steering by infinities.
        if (!std::isfinite(r))
            return GSL_EDOM;
        gsl_vector_set(f, i, r);
    }
    return GSL_SUCCESS;
}

int jacobian(const gsl_vector* x, void* data, gsl_matrix* jac)
{
    auto& s = *static_cast<Scaled*>(data);
    const double d = gsl_vector_get(x, 1);
    s.decayAt(gsl_vector_get(x, 2));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double e = s.decay[i];
        const double byKappa = -d * s.tau(i) * e;
        if (!std::isfinite(e) || !std::isfinite(byKappa))
            return GSL_EDOM;
        gsl_matrix_set(jac, i, 0, 1.0);
        gsl_matrix_set(jac, i, 1, e);
        gsl_matrix_set(jac, i, 2, byKappa);
    }
    return GSL_SUCCESS;
}

// For a fixed κ the curve is a straight line in e^(−κ·τ): a and d come from
// linear least squares, and what is left to search is κ alone.
struct Profile {
    Curve curve;
    double ssr = HUGE_VAL;
};

Profile profileAt(double kappa, std::span<const double> tau, std::span<const double> y,
                  std::vector<double>& basis)
{
    basis.resize(tau.size());
    for (std::size_t i = 0; i < tau.size(); ++i)
        basis[i] = std::exp(-kappa * tau[i]);
    double a = 0.0, d = 0.0, c00 = 0.0, c01 = 0.0, c11 = 0.0, ssr = 0.0;
    const int status =
        gsl_fit_linear(basis.data(), 1, y.data(), 1, y.size(), &a, &d, &c00, &c01, &c11, &ssr);
    Profile p;
    if (status == GSL_SUCCESS && std::isfinite(a) && std::isfinite(d) && std::isfinite(ssr))
        p = {{a, d, kappa}, ssr};
    return p;
}

// Starting values without asking anyone: κ on a logarithmic grid from curves
// that barely bend over the readings (κ = 10⁻³) to ones that are done after
// the first (κ = 10³), then a golden-section search between the best grid
// point's neighbours. A few thousand points fix the start as well as all of
// them; the iteration afterwards uses every point.
Curve startingCurve(const Scaled& s)
{
    constexpr std::size_t maxPoints = 2000;
    const std::size_t stride = (s.size() + maxPoints - 1) / maxPoints;
    std::vector<double> tau, y, basis;
    for (std::size_t i = 0; i < s.size(); i += stride) {
        tau.push_back(s.tau(i));
        y.push_back(s.y[i]);
    }

    constexpr int steps = 60;
    constexpr double lowestDecade = -3.0, highestDecade = 3.0;
    const auto kappaAt = [](double step) {
        return std::pow(10.0, lowestDecade + step * (highestDecade - lowestDecade) / steps);
    };
    int best = 0;
    Profile bestProfile;
    for (int i = 0; i <= steps; ++i) {
        const Profile p = profileAt(kappaAt(i), tau, y, basis);
        if (p.ssr < bestProfile.ssr) {
            bestProfile = p;
            best = i;
        }
    }
    if (!std::isfinite(bestProfile.ssr))
        return {};

    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    double lo = std::max(best - 1, 0), hi = std::min(best + 1, steps);
    double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
    Profile p1 = profileAt(kappaAt(x1), tau, y, basis);
    Profile p2 = profileAt(kappaAt(x2), tau, y, basis);
    for (int i = 0; i < 25; ++i) {
        if (p1.ssr < p2.ssr) {
            hi = x2;
            x2 = x1;
            p2 = p1;
            x1 = hi - g * (hi - lo);
            p1 = profileAt(kappaAt(x1), tau, y, basis);
        } else {
            lo = x1;
            x1 = x2;
            p1 = p2;
            x2 = lo + g * (hi - lo);
            p2 = profileAt(kappaAt(x2), tau, y, basis);
        }
    }
    for (const Profile& p : {p1, p2})
        if (p.ssr < bestProfile.ssr)
            bestProfile = p;
    return bestProfile.curve;
}

// Whether at least three different times occur: through two, a curve of three
// parameters passes exactly in endless ways.
bool hasThreeTimes(std::span<const double> t)
{
    const double first = t[0];
    const double* second = nullptr;
    for (const double& v : t) {
        if (v == first)
            continue;
        if (!second)
            second = &v;
        else if (v != *second)
            return true;
    }
    return false;
}

// Whether the residuals stand at right angles to every column of the
// Jacobian, as they do at a least-squares minimum: the step-size test alone
// also stops an iteration that has merely stalled. Residuals at the level of
// rounding point every way and pass.
bool isStationary(const gsl_matrix* jac, const gsl_vector* f, double yNorm)
{
    const double fNorm = gsl_blas_dnrm2(f);
    if (fNorm <= 1e-12 * yNorm)
        return true;
    for (std::size_t j = 0; j < jac->size2; ++j) {
        const gsl_vector_const_view column = gsl_matrix_const_column(jac, j);
        double along = 0.0;
        gsl_blas_ddot(&column.vector, f, &along);
        if (!(std::abs(along) <= 1e-6 * gsl_blas_dnrm2(&column.vector) * fNorm))
            return false;
    }
    return true;
}

struct WorkspaceFree {
    void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
using Workspace = std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceFree>;

struct MatrixFree {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
using MatrixPtr = std::unique_ptr<gsl_matrix, MatrixFree>;

struct Solution {
    FitFailure failure = FitFailure::None;
    Curve curve;
    double ssr = 0.0;
    std::array<std::array<double, parameterCount>, parameterCount> covariance{}; // unscaled
};

// Levenberg–Marquardt from the start, with the analytic Jacobian.
Solution polish(Scaled& scaled, const Curve& start)
{
    const std::size_t n = scaled.size();
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    // Normal equations: a 3 × 3 system per step instead of a QR factorisation
    // of every point, which is what keeps 100 000 readings fast. The accuracy
    // of the minimum depends on the residuals, not on how the step is solved.
    settings.solver = gsl_multifit_nlinear_solver_cholesky;
    Workspace work(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, n, parameterCount));
    Solution s;
    s.failure = FitFailure::NoConvergence;
    if (!work)
        return s;

    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residuals;
    fdf.df = jacobian;
    fdf.fvv = nullptr;
    fdf.n = n;
    fdf.p = parameterCount;
    fdf.params = &scaled;
    std::array<double, parameterCount> x0{start.a, start.d, start.kappa};
    gsl_vector_view x0View = gsl_vector_view_array(x0.data(), parameterCount);
    if (gsl_multifit_nlinear_init(&x0View.vector, &fdf, work.get()) != GSL_SUCCESS)
        return s;
    // The start may already sit at the minimum as closely as the grid search
    // could tell, and the driver then reports no progress; a stalled
    // trust region is restarted from where it stopped.
    const gsl_vector_const_view y = gsl_vector_const_view_array(scaled.y.data(), n);
    const double yNorm = gsl_blas_dnrm2(&y.vector);
    bool stationary = false;
    for (int attempt = 0; attempt < 3 && !stationary; ++attempt) {
        if (attempt > 0) {
            const gsl_vector* reached = gsl_multifit_nlinear_position(work.get());
            for (std::size_t i = 0; i < parameterCount; ++i)
                x0[i] = gsl_vector_get(reached, i);
            if (gsl_multifit_nlinear_init(&x0View.vector, &fdf, work.get()) != GSL_SUCCESS)
                return s;
        }
        int info = 0;
        gsl_multifit_nlinear_driver(500, 1e-12, 1e-12, 1e-15, nullptr, nullptr, &info, work.get());
        stationary = isStationary(gsl_multifit_nlinear_jac(work.get()),
                                  gsl_multifit_nlinear_residual(work.get()), yNorm);
    }
    const gsl_vector* x = gsl_multifit_nlinear_position(work.get());
    const gsl_vector* f = gsl_multifit_nlinear_residual(work.get());
    s.curve = {gsl_vector_get(x, 0), gsl_vector_get(x, 1), gsl_vector_get(x, 2)};
    gsl_blas_ddot(f, f, &s.ssr);
    // The covariance factorises a copy of its own; the Jacobian is kept and
    // the solver's workspace, three times its size, let go before that, so
    // that a million readings never need all three at once.
    const MatrixPtr jac(gsl_matrix_alloc(n, parameterCount));
    if (!jac)
        return s;
    gsl_matrix_memcpy(jac.get(), gsl_multifit_nlinear_jac(work.get()));
    work.reset();
    std::vector<double>().swap(scaled.decay);
    // A pivoted QR factorisation of the Jacobian; columns that add less than
    // minimumRank of the first are left out and show as zero variance.
    gsl_matrix_view covariance =
        gsl_matrix_view_array(&s.covariance[0][0], parameterCount, parameterCount);
    const bool factorised =
        gsl_multifit_nlinear_covar(jac.get(), minimumRank, &covariance.matrix) == GSL_SUCCESS;
    bool fullRank = factorised;
    for (std::size_t i = 0; i < parameterCount; ++i)
        fullRank = fullRank && s.covariance[i][i] > 0.0;

    // A rate of zero or below is a straight line or a curve running away: it
    // approaches no surrounding value. A Jacobian of lower numerical rank means
    // the readings fix no single curve: one that barely bends over them (its
    // ambient anywhere along the line), or one that is done before the second
    // reading (any faster rate fits as well).
    const double position[] = {s.curve.a, s.curve.d, s.curve.kappa, s.ssr};
    if (!detail::allFinite(position) || s.curve.kappa <= 0.0 || (factorised && !fullRank)) {
        s.failure = FitFailure::Degenerate;
        return s;
    }
    if (!stationary || !factorised)
        return s;
    s.failure = FitFailure::None;
    return s;
}

} // namespace

FitResult fitCooling(std::span<const double> t, std::span<const double> y)
{
    using detail::failedFit;
    keepGslFromAborting();
    const std::size_t n = t.size();
    if (y.size() != n || !detail::allFinite(t) || !detail::allFinite(y))
        return failedFit(Model::Cooling, FitFailure::Degenerate, std::min(n, y.size()));
    if (n < parameterCount + 1)
        return failedFit(Model::Cooling, FitFailure::TooFewPoints, n);
    const auto [tLow, tHigh] = std::minmax_element(t.begin(), t.end());
    const auto [yLow, yHigh] = std::minmax_element(y.begin(), y.end());
    // Constant values fit every rate equally well.
    if (!hasThreeTimes(t) || *yLow == *yHigh)
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);

    const double t0 = *tLow;
    const double span = *tHigh - *tLow;
    Scaled scaled{t, t0, span, y, {}};
    const Curve start = startingCurve(scaled);
    if (start.kappa == 0.0)
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);
    const Solution s = polish(scaled, start);
    if (s.failure != FitFailure::None)
        return failedFit(Model::Cooling, s.failure, n);

    const Curve& c = s.curve;
    const double rate = c.kappa / span;
    const double atZero = std::exp(rate * t0); // e^(−κ·τ) at t = 0
    const double initial = c.a + c.d * atZero;
    // How ambient, initial and rate change with a, d and κ; the covariance
    // follows as G·C·Gᵀ, scaled by the residual variance.
    const double g[parameterCount][parameterCount] = {
        {1.0, 0.0, 0.0}, {1.0, atZero, c.d * atZero * t0 / span}, {0.0, 0.0, 1.0 / span}};
    const double residualVariance = s.ssr / static_cast<double>(n - parameterCount);
    std::array<double, parameterCount> se{};
    for (std::size_t i = 0; i < parameterCount; ++i) {
        double v = 0.0;
        for (std::size_t j = 0; j < parameterCount; ++j)
            for (std::size_t k = 0; k < parameterCount; ++k)
                v += g[i][j] * s.covariance[j][k] * g[i][k];
        se[i] = std::sqrt(v * residualVariance);
    }

    FitResult r;
    r.model = Model::Cooling;
    r.points = static_cast<int>(n);
    r.parameters = {{"ambient", c.a, se[0]}, {"initial", initial, se[1]}, {"rate", rate, se[2]}};
    r.r2 = 1.0 - s.ssr / detail::sumOfSquaresAboutMean(y);
    r.residualSd = std::sqrt(residualVariance);
    r.timeConstant = 1.0 / rate;
    r.halfTime = std::numbers::ln2 / rate;
    // Times far from zero can put the start of the curve beyond a double.
    const double numbers[] = {initial, se[0], se[1], se[2], r.r2, r.timeConstant};
    if (!detail::allFinite(numbers))
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);
    return r;
}

} // namespace analysis
