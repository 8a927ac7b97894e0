#include "ZkSettings.h"

ZkSettings& ZkGetSettings() {
  static ZkSettings settings;
  return settings;
}
