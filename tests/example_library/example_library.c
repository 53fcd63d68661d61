/* A native library for the external-function tests: reals and strings in and out. */
#include <stdio.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static char built[256];
static double calls;

EXPORT double ex_answer(void) { return 42.0; }

EXPORT double ex_add(double a, double b) { return a + b; }

EXPORT double ex_length(const char* text) { return (double)strlen(text); }

/* Builds its result in its own buffer, which the next call overwrites. */
EXPORT const char* ex_join(const char* a, double n, const char* b) {
  snprintf(built, sizeof built, "%s|%g|%s", a, n, b);
  return built;
}

EXPORT const char* ex_nothing(void) { return NULL; }

/* Every position weighs differently, so a swapped argument changes the sum. */
EXPORT double ex_weigh5(double a, double b, double c, double d, double e) {
  return a + 10 * b + 100 * c + 1000 * d + 10000 * e;
}

EXPORT double ex_weigh16(double a1, double a2, double a3, double a4, double a5, double a6,
                         double a7, double a8, double a9, double a10, double a11, double a12,
                         double a13, double a14, double a15, double a16) {
  double all[16] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16};
  double sum = 0;
  for (int i = 0; i < 16; ++i) sum += all[i] * (i + 1);
  return sum;
}

/* Counts its calls, so a test can tell that a refused call never arrived. */
EXPORT double ex_count(double step) {
  calls += step;
  return calls;
}
