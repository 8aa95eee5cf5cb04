// The ranking server's host name, set when the program is built
// (ZQ_RANKING_HOST). It is the default connection host, the host part of
// both request targets, and part of the ranking page address in the texts.
#pragma once

#ifndef ZQ_RANKING_HOST
#error "ZQ_RANKING_HOST must be defined by the build"
#endif

#define RANKING_HOST_TEXT ZQ_RANKING_HOST
// The ranking page address that the dialog texts show.
#define RANKING_PAGE_TEXT "http://" ZQ_RANKING_HOST "/score/"

constexpr const char RANKING_HOST[] = RANKING_HOST_TEXT;
