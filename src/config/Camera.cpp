#include "Camera.h"

namespace rure {

namespace {

bool canonicallyEqual(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    return a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

} // namespace

bool operator==(const Camera& a, const Camera& b) {
    return canonicallyEqual(a.name, b.name) && canonicallyEqual(a.url, b.url) &&
           canonicallyEqual(a.subStreamUrl, b.subStreamUrl);
}

} // namespace rure
