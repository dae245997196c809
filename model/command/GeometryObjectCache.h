#pragma once
// The cache of geometry objects that a formula change builds while it recomputes: frames for the
// objects that follow others, shared by every formula of the change. The bodies layer makes it;
// it installs its factory at start-up, and model code asks for a cache through here.

#include <cstdint>
#include <memory>

class TGeometryObjectCache {
 public:
  virtual ~TGeometryObjectCache() = default;
};

// Makes a cache (the formula command passes 1); may raise the failure that says why it cannot.
using GeometryCacheFactory = std::unique_ptr<TGeometryObjectCache> (*)(int16_t kind);

namespace geometry_cache_detail {
inline GeometryCacheFactory& Installed() {
  static GeometryCacheFactory installed = nullptr;
  return installed;
}
}  // namespace geometry_cache_detail

// Installed at start-up; null uninstalls it.
inline void InstallGeometryCacheFactory(GeometryCacheFactory factory) {
  geometry_cache_detail::Installed() = factory;
}

// A new cache, or null when no factory is installed (nothing in the world follows geometry).
inline std::unique_ptr<TGeometryObjectCache> MakeGeometryObjectCache(int16_t kind) {
  const GeometryCacheFactory factory = geometry_cache_detail::Installed();
  return factory != nullptr ? factory(kind) : nullptr;
}
