#include "qzvector.h"

#include <cmath>

double qzVector3::Norm() const {
    return std::sqrt(x * x + y * y + z * z);
}
