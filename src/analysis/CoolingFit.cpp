#include "FitSupport.h"
#include "Fits.h"
#include "GslErrors.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_min.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>

namespace analysis
{

namespace
{

constexpr std::size_t parameterCount = 3;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The search works on τ = (t − t0)/T in [0, 1], t0 the earliest time and T the
// span, and on u = (y − yMid)/yScale in [−1, 1], with u = α + β·e^(−κ·τ).
// Nothing then depends on the units, on the size of the values or on how far
// into a measurement the times lie; the result is turned back into the user's
// units at the end. τ and u are worked out where they are needed: at a million
// readings a copy of the points is memory the window needs for itself.
struct Scaled {
    std::span<const double> t;
    std::span<const double> y;
    double t0 = 0.0;
    double perSpan = 1.0; // 1/T
    double yMid = 0.0;
    double perScale = 1.0; // 1/yScale

    std::size_t size() const { return t.size(); }
    double tau(std::size_t i) const { return (t[i] - t0) * perSpan; }
    double u(std::size_t i) const { return (y[i] - yMid) * perScale; }
};

struct Curve {
    double alpha = 0.0;
    double beta = 0.0;
    double kappa = 0.0;
};

// Means and co-moments Σ(x_j − x̄_j)(x_k − x̄_k) of a few columns, one point
// at a time and nothing kept per point. Points are gathered in blocks of 64
// as sums about the block's first point (neighbouring readings lie close
// together, so these do not cancel) and the blocks merged by Chan's update:
// no large sums that cancel, and no division per point, which would chain
// every point to the one before.
template <std::size_t K> struct Moments {
    using Square = std::array<std::array<double, K>, K>; // upper triangle used
    double count = 0.0;
    std::array<double, K> mean{};
    Square co{};

    void add(const std::array<double, K>& x)
    {
        if (inBlock == 0)
            shift = x;
        for (std::size_t j = 0; j < K; ++j) {
            const double dj = x[j] - shift[j];
            sum[j] += dj;
            for (std::size_t k = j; k < K; ++k)
                squares[j][k] += dj * (x[k] - shift[k]);
        }
        if (++inBlock == blockSize)
            mergeBlock();
    }

    // Takes in the last, partly filled block; call once before reading.
    Moments& done()
    {
        if (inBlock > 0)
            mergeBlock();
        return *this;
    }

private:
    static constexpr int blockSize = 64;
    int inBlock = 0;
    std::array<double, K> shift{}, sum{};
    Square squares{};

    void mergeBlock()
    {
        const double m = inBlock;
        const double total = count + m;
        std::array<double, K> delta{};
        for (std::size_t j = 0; j < K; ++j)
            delta[j] = shift[j] + sum[j] / m - mean[j];
        const double weight = count * m / total;
        for (std::size_t j = 0; j < K; ++j)
            for (std::size_t k = j; k < K; ++k)
                co[j][k] += squares[j][k] - sum[j] * sum[k] / m + delta[j] * delta[k] * weight;
        for (std::size_t j = 0; j < K; ++j)
            mean[j] += delta[j] * m / total;
        count = total;
        inBlock = 0;
        sum = {};
        squares = {};
    }
};

// For a fixed κ the model is a straight line in e^(−κ·τ): α and β follow by
// linear least squares, exactly, and only κ is left to search. The sum of
// squares here is Σ(u − ū)² minus what the line explains, which cancels when
// the fit is near exact; the Gauss–Newton polish below uses the residuals
// themselves.
struct Profile {
    Curve curve;
    double ssr = HUGE_VAL;
};

Profile profileAt(const Scaled& s, double kappa, std::size_t stride)
{
    Moments<2> m;
    for (std::size_t i = 0; i < s.size(); i += stride)
        m.add({std::exp(-kappa * s.tau(i)), s.u(i)});
    m.done();
    const double see = m.co[0][0], seu = m.co[0][1], suu = m.co[1][1];
    Profile p;
    if (!(see > 0.0))
        return p;
    const double beta = seu / see;
    p.curve = {m.mean[1] - beta * m.mean[0], beta, kappa};
    p.ssr = std::max(suu - seu * beta, 0.0);
    return p;
}

// ln κ: curves from one that bends by a hundredth of a percent over the
// readings (κ = 10⁻⁴) to one settled in the first ten-thousandth of them.
constexpr double lowestLogKappa = -4.0 * std::numbers::ln10;
constexpr double highestLogKappa = 4.0 * std::numbers::ln10;
constexpr int gridSteps = 80;

struct Search {
    const Scaled* scaled = nullptr;
    std::size_t stride = 1;
};

double profileSsr(double logKappa, void* data)
{
    const auto& search = *static_cast<const Search*>(data);
    return profileAt(*search.scaled, std::exp(logKappa), search.stride).ssr;
}

struct MinimizerFree {
    void operator()(gsl_min_fminimizer* m) const { gsl_min_fminimizer_free(m); }
};

// The lowest point of the profile near x: the step h is widened until the
// middle of three points lies below both ends, then Brent's method narrows
// them. Empty when the profile keeps falling to the end of the range of κ:
// the readings then fix no single curve (a straight line, a curve running away
// or one settled before the second reading).
std::optional<double> lowestNear(Search& search, double x, double h)
{
    gsl_function f{profileSsr, &search};
    double a = x - h, b = x, c = x + h;
    double fa = profileSsr(a, &search), fb = profileSsr(b, &search), fc = profileSsr(c, &search);
    while (!(fb < fa && fb < fc)) {
        if (a < lowestLogKappa || c > highestLogKappa)
            return std::nullopt;
        h *= 2.0;
        if (fa < fc) {
            c = b, fc = fb, b = a, fb = fa;
            a = b - h, fa = profileSsr(a, &search);
        } else {
            a = b, fa = fb, b = c, fb = fc;
            c = b + h, fc = profileSsr(c, &search);
        }
    }
    const std::unique_ptr<gsl_min_fminimizer, MinimizerFree> brent(
        gsl_min_fminimizer_alloc(gsl_min_fminimizer_brent));
    if (!brent ||
        gsl_min_fminimizer_set_with_values(brent.get(), &f, b, fb, a, fa, c, fc) != GSL_SUCCESS)
        return b;
    // To a millionth of κ: the polish that follows takes it to the last digits.
    for (int i = 0; i < 100; ++i) {
        if (gsl_min_fminimizer_iterate(brent.get()) != GSL_SUCCESS)
            break;
        if (gsl_min_test_interval(gsl_min_fminimizer_x_lower(brent.get()),
                                  gsl_min_fminimizer_x_upper(brent.get()), 1e-6,
                                  0.0) == GSL_SUCCESS)
            break;
    }
    return gsl_min_fminimizer_x_minimum(brent.get());
}

// The rate of the lowest profile: a logarithmic grid over every κ on a few
// thousand of the points (they fix the neighbourhood as well as all of them),
// then Brent's method there.
struct Rate {
    double kappa = 0.0;
    bool sampled = false; // found on part of the points
};

std::optional<Rate> bestKappa(const Scaled& scaled)
{
    constexpr std::size_t gridPoints = 2000;
    Search search{&scaled, std::max<std::size_t>(1, scaled.size() / gridPoints)};
    const double step = (highestLogKappa - lowestLogKappa) / gridSteps;
    int best = 0;
    double bestSsr = HUGE_VAL;
    for (int i = 0; i <= gridSteps; ++i) {
        const double ssr = profileSsr(lowestLogKappa + i * step, &search);
        if (ssr < bestSsr)
            bestSsr = ssr, best = i;
    }
    if (!std::isfinite(bestSsr) || best == 0 || best == gridSteps)
        return std::nullopt;
    const std::optional<double> x = lowestNear(search, lowestLogKappa + best * step, step);
    if (!x)
        return std::nullopt;
    return Rate{std::exp(*x), search.stride > 1};
}

// Brent's method on every point, from a rate found on part of them.
std::optional<double> bestKappaOnEveryPoint(const Scaled& scaled, double kappa)
{
    Search search{&scaled, 1};
    const std::optional<double> x = lowestNear(search, std::log(kappa), 1e-3);
    if (!x)
        return std::nullopt;
    return std::exp(*x);
}

// One pass over every point at a curve: the sum of squares of the residuals
// r = α + β·e − u and the centred 3 × 3 normal matrix of the Jacobian (columns
// 1, e and ∂r/∂κ = −β·τ·e) with its right-hand side, which is all that the
// Gauss–Newton step and the covariance need; no n × 3 matrix is held.
struct Pass {
    double ssr = 0.0;
    Moments<3> m; // columns e, ∂r/∂κ, r
};

Pass passAt(const Scaled& s, const Curve& c)
{
    Pass p;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double tau = s.tau(i);
        const double e = std::exp(-c.kappa * tau);
        const double r = c.alpha + c.beta * e - s.u(i);
        p.ssr += r * r;
        p.m.add({e, -c.beta * tau * e, r});
    }
    p.m.done();
    return p;
}

// The covariance (unscaled) of α, β, κ: the intercept column is taken out by
// centring, which leaves a 2 × 2 system of the other two. Empty where the
// Jacobian falls short of full rank as far as a double can tell: a column
// that adds less than 10⁻⁸ of the first (which has the norm √n, the values
// having a range of 2) to the others, or two columns parallel to six digits.
struct Normal {
    std::array<std::array<double, parameterCount>, parameterCount> covariance{};
    Curve step; // Gauss–Newton
};

std::optional<Normal> normalAt(const Pass& p)
{
    const auto& co = p.m.co;
    const double see = co[0][0], seg = co[0][1], sgg = co[1][1];
    const double det = see * sgg - seg * seg;
    const double n = p.m.count;
    constexpr double minimumShare = 1e-16; // (10⁻⁸)²
    if (!(see > minimumShare * n) || !(det > minimumShare * n * see) || !(det > 1e-12 * see * sgg))
        return std::nullopt;
    Normal r;
    // (β, κ) block, then α from the means.
    const double ibb = sgg / det, ibk = -seg / det, ikk = see / det;
    const double me = p.m.mean[0], mg = p.m.mean[1];
    const double iab = -(me * ibb + mg * ibk), iak = -(me * ibk + mg * ikk);
    const double iaa = 1.0 / n + me * me * ibb + 2.0 * me * mg * ibk + mg * mg * ikk;
    r.covariance = {{{iaa, iab, iak}, {iab, ibb, ibk}, {iak, ibk, ikk}}};
    const double ser = co[0][2], sgr = co[1][2];
    r.step.beta = -(ibb * ser + ibk * sgr);
    r.step.kappa = -(ibk * ser + ikk * sgr);
    r.step.alpha = -(p.m.mean[2] + me * r.step.beta + mg * r.step.kappa);
    return r;
}

struct Solution {
    Curve curve;
    double ssr = 0.0;
    Normal normal;
    bool converged = false;
};

// Gauss–Newton from the profile's minimum: it converges fast there, and its
// residuals keep their digits when the fit is near exact. A step is taken only
// when it lowers the sum of squares; a step below 10⁻¹⁰ of the parameters is
// the end (α and β are of the size of one, the values having a range of 2).
std::optional<Solution> polish(const Scaled& s, Curve curve)
{
    Pass pass = passAt(s, curve);
    std::optional<Normal> normal = normalAt(pass);
    bool converged = false;
    for (int iteration = 0; normal && iteration < 20 && !converged; ++iteration) {
        const Curve& step = normal->step;
        constexpr double small = 1e-10;
        if (std::abs(step.alpha) <= small * std::max(1.0, std::abs(curve.alpha)) &&
            std::abs(step.beta) <= small * std::max(1.0, std::abs(curve.beta)) &&
            std::abs(step.kappa) <= small * curve.kappa) {
            converged = true;
            break;
        }
        bool lowered = false;
        for (double share = 1.0; share > 0.05 && !lowered; share /= 2.0) {
            const Curve next{curve.alpha + share * step.alpha, curve.beta + share * step.beta,
                             curve.kappa + share * step.kappa};
            if (!(next.kappa > 0.0))
                continue;
            Pass nextPass = passAt(s, next);
            if (nextPass.ssr < pass.ssr) {
                curve = next;
                pass = nextPass;
                lowered = true;
            }
        }
        // No step lowers it: the minimum as far as the residuals can tell.
        if (!lowered) {
            converged = true;
            break;
        }
        normal = normalAt(pass);
    }
    if (!normal)
        return std::nullopt;
    return Solution{curve, pass.ssr, *normal, converged};
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

// Σ(u − ū)², for R².
double spreadOf(const Scaled& s)
{
    Moments<1> m;
    for (std::size_t i = 0; i < s.size(); ++i)
        m.add({s.u(i)});
    return m.done().co[0][0];
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

    // Halves first, so that values near the largest double keep their range.
    const double span = *tHigh - *tLow;
    const double yScale = *yHigh / 2 - *yLow / 2;
    const Scaled scaled{t, y, *tLow, 1.0 / span, *yLow / 2 + *yHigh / 2, 1.0 / yScale};
    if (!std::isfinite(span) || !std::isfinite(scaled.perSpan) || !std::isfinite(scaled.perScale))
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);

    const std::optional<Rate> rate0 = bestKappa(scaled);
    if (!rate0)
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);
    // A Jacobian short of full rank at the minimum: the readings fix no single
    // curve, for instance one that barely bends over them (its ambient
    // anywhere along the line) or one done before the second reading.
    const auto polishFrom = [&](double kappa) -> std::optional<Solution> {
        const Profile start = profileAt(scaled, kappa, 1);
        if (!std::isfinite(start.ssr))
            return std::nullopt;
        return polish(scaled, start.curve);
    };
    std::optional<Solution> solution = polishFrom(rate0->kappa);
    // From a rate found on part of the points Gauss–Newton nearly always
    // converges at once; where not, Brent's method on every point first.
    if (rate0->sampled && !(solution && solution->converged)) {
        const std::optional<double> kappa = bestKappaOnEveryPoint(scaled, rate0->kappa);
        if (!kappa)
            return failedFit(Model::Cooling, FitFailure::Degenerate, n);
        solution = polishFrom(*kappa);
    }
    if (!solution)
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);
    if (!solution->converged)
        return failedFit(Model::Cooling, FitFailure::NoConvergence, n);

    const Curve& c = solution->curve;
    const auto& cov = solution->normal.covariance;
    const double dof = static_cast<double>(n - parameterCount);
    const double variance = solution->ssr / dof; // of u
    // Standard error of a combination g·(α, β, κ) in the scaled units.
    const auto seOf = [&](const std::array<double, parameterCount>& g) {
        double v = 0.0;
        for (std::size_t j = 0; j < parameterCount; ++j)
            for (std::size_t k = 0; k < parameterCount; ++k)
                v += g[j] * cov[j][k] * g[k];
        return std::sqrt(std::max(v, 0.0) * variance);
    };

    const double rate = c.kappa * scaled.perSpan;
    const double ambient = scaled.yMid + yScale * c.alpha;
    // The curve at t = 0 lies e^(rate·t0) times the excess at the first
    // reading away; far into a measurement that is beyond any double.
    const double growth = std::exp(rate * scaled.t0);
    double initial = scaled.yMid + yScale * (c.alpha + c.beta * growth);
    double initialSe = yScale * seOf({1.0, growth, c.beta * growth * scaled.t0 * scaled.perSpan});
    if (!std::isfinite(initial) || !std::isfinite(initialSe))
        initial = initialSe = nan;

    FitResult r;
    r.model = Model::Cooling;
    r.points = static_cast<int>(n);
    r.parameters = {{"ambient", ambient, yScale * seOf({1.0, 0.0, 0.0})},
                    {"initial", initial, initialSe},
                    {"rate", rate, seOf({0.0, 0.0, 1.0}) * scaled.perSpan}};
    r.atFirstTime = {scaled.t0, scaled.yMid + yScale * (c.alpha + c.beta),
                     yScale * seOf({1.0, 1.0, 0.0})};
    const double spread = spreadOf(scaled);
    r.r2 = spread > 0.0 ? 1.0 - solution->ssr / spread : 1.0;
    r.residualSd = yScale * std::sqrt(variance);
    r.timeConstant = 1.0 / rate;
    r.halfTime = std::numbers::ln2 / rate;
    const double numbers[] = {ambient,
                              r.parameters[0].se,
                              rate,
                              r.parameters[2].se,
                              r.atFirstTime.value,
                              r.atFirstTime.se,
                              r.r2,
                              r.residualSd,
                              r.timeConstant};
    if (!detail::allFinite(numbers) || !(rate > 0.0))
        return failedFit(Model::Cooling, FitFailure::Degenerate, n);
    return r;
}

} // namespace analysis
