#include "service_paths.h"

#include "registration_store.h"

#include <cstdlib>

std::string ServicePaths::store() const {
  return data_dir + "/" + STORE_FILE_NAME;
}

bool service_paths_from_environment(ServicePaths &paths) {
  const char *data = getenv("ZQ_DATA_DIR");
  const char *score = getenv("ZQ_SCORE_DIR");
  if (data && *data)
    paths.data_dir = data;
  if (score && *score)
    paths.score_dir = score;
  return !paths.data_dir.empty() && !paths.score_dir.empty();
}
