// Where the ranking service keeps its files. The web server hands both
// folders to the CGI as ZQ_DATA_DIR and ZQ_SCORE_DIR (fastcgi_param), and the
// admin command takes them from the same variables or its options.
//   ZQ_DATA_DIR   the store "zq.sqlite" and the page lock; not served
//   ZQ_SCORE_DIR  served as "/score/": the page and the acceptance marker
#pragma once

#include <string>

struct ServicePaths {
  std::string data_dir;
  std::string score_dir;
  std::string store() const;
};

// The folders from the environment; false when either is unset or empty.
bool service_paths_from_environment(ServicePaths &paths);
