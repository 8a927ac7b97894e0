// A Pakkel that loads but lacks CompressFile and UncompressFile.
extern "C" __attribute__((visibility("default"))) int FakePakkelBare() { return 0; }
