// Records of the estimate databases, as the back-ends DorvikSqlIf, DorvikSqlEm and DorvikSqlIg store them.
//
// Every table holds a list of fixed-size records. A table's read function hands back, and its write function
// takes, count x sizeof(record) bytes: the records one after another, in the order they were written. The
// back-end keeps each record as its bytes (CP932 text included) and looks inside none but the two image records.
// Records are laid out with natural alignment; padding is stored as given, so callers should zero it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorvik_sql {

// Database ids, as the version checker and the vacuum of each database know them.
inline constexpr int kInformationDB = 1;  // DorvikSqlIf.dll, default file "OvSvIf0001.sld"
inline constexpr int kEstimateDB = 2;     // DorvikSqlEm.dll, default file "OvSvEm0001.sld"
inline constexpr int kImageDB = 3;        // DorvikSqlIg.dll, default file "OvSvIg0001.sld"

// The layout version of the databases. A database records the version it was made or converted for.
inline constexpr int kSchemaVersion = 1;

// One conversion statement's slot in the checker's statement block: text and its NUL.
inline constexpr std::size_t kStatementSlotSize = 2048;

// Every table: X(library, table id, table name). The library is If, Em or Ig; the exports of a table are
// "Read" + name and "Write" + name; its record is the struct of the same name below.
#define DORVIK_SQL_TABLES(X)  \
  X(If, 1, FileInfo)          \
  X(If, 2, Customer)          \
  X(If, 3, SelfInfo)          \
  X(If, 4, Insurance)         \
  X(If, 5, Unspecified)       \
  X(If, 6, Car)               \
  X(If, 7, CarEVA)            \
  X(If, 8, CarSearch)         \
  X(If, 9, CarSearchEVA)      \
  X(If, 10, Setting)          \
  X(If, 11, ReportTitle)      \
  X(Em, 12, DamageBlockPlan)  \
  X(Em, 13, DamageBlock)      \
  X(Em, 14, PartsPlan)        \
  X(Em, 15, ERParts)          \
  X(Em, 16, RCParts)          \
  X(Em, 17, RCLinkParts)      \
  X(Em, 18, RWLinkParts)      \
  X(Em, 19, EPCLinkParts)     \
  X(Em, 20, ReserveERParts)   \
  X(Em, 21, FramePlan)        \
  X(Em, 22, Frame)            \
  X(Em, 23, PaintingPlan)     \
  X(Em, 24, PaintingPanel)    \
  X(Em, 25, PaintingLinkParts) \
  X(Em, 26, PaintingBumper)   \
  X(Em, 27, PaintingFrame)    \
  X(Em, 28, PaintingEtcetera) \
  X(Em, 29, PaintingOther)    \
  X(Em, 30, PaintingTotal)    \
  X(Em, 31, Expense)          \
  X(Em, 32, Fixer)            \
  X(Em, 33, Total)            \
  X(Em, 34, DamageParts)      \
  X(Em, 35, DamageImage)      \
  X(Em, 36, DamageComment)    \
  X(Ig, 37, Image)            \
  X(Ig, 38, ImageAnnotation)  \
  X(If, 39, Statistics)

// Image database: one record per photograph of the estimate's Image folder.
struct Image {
  std::int32_t ImageNo;       // the image's own number
  std::int32_t DisplayOrder;  // its place in the order, from 1
  char FileName[255];         // name inside the Image folder, NUL-padded, no terminator when full
  std::uint8_t Padding;
  std::uint8_t Data[240];     // the estimating program's own fields, kept as written
};
static_assert(sizeof(Image) == 504);
static_assert(offsetof(Image, FileName) == 8);
static_assert(offsetof(Image, Data) == 264);

// One annotation of an image.
struct ImageAnnotation {
  std::int32_t ImageNo;  // the Image record it belongs to
  std::int32_t Seq;      // its place among that image's annotations
  std::uint8_t Data[120];
};
static_assert(sizeof(ImageAnnotation) == 128);
static_assert(offsetof(ImageAnnotation, Data) == 8);

// The other tables: records of the estimating program's own layout, of these fixed sizes.
// Information database
struct FileInfo { std::uint8_t Data[256]; };
struct Customer { std::uint8_t Data[512]; };
struct SelfInfo { std::uint8_t Data[512]; };
struct Insurance { std::uint8_t Data[512]; };
struct Unspecified { std::uint8_t Data[256]; };
struct Car { std::uint8_t Data[512]; };
struct CarEVA { std::uint8_t Data[512]; };
struct CarSearch { std::uint8_t Data[256]; };
struct CarSearchEVA { std::uint8_t Data[256]; };
struct Setting { std::uint8_t Data[256]; };
struct ReportTitle { std::uint8_t Data[256]; };
struct Statistics { std::uint8_t Data[256]; };
// Estimate database
struct DamageBlockPlan { std::uint8_t Data[128]; };
struct DamageBlock { std::uint8_t Data[256]; };
struct PartsPlan { std::uint8_t Data[128]; };
struct ERParts { std::uint8_t Data[512]; };
struct RCParts { std::uint8_t Data[512]; };
struct RCLinkParts { std::uint8_t Data[256]; };
struct RWLinkParts { std::uint8_t Data[256]; };
struct EPCLinkParts { std::uint8_t Data[256]; };
struct ReserveERParts { std::uint8_t Data[512]; };
struct FramePlan { std::uint8_t Data[128]; };
struct Frame { std::uint8_t Data[256]; };
struct PaintingPlan { std::uint8_t Data[128]; };
struct PaintingPanel { std::uint8_t Data[256]; };
struct PaintingLinkParts { std::uint8_t Data[256]; };
struct PaintingBumper { std::uint8_t Data[256]; };
struct PaintingFrame { std::uint8_t Data[256]; };
struct PaintingEtcetera { std::uint8_t Data[256]; };
struct PaintingOther { std::uint8_t Data[256]; };
struct PaintingTotal { std::uint8_t Data[256]; };
struct Expense { std::uint8_t Data[256]; };
struct Fixer { std::uint8_t Data[256]; };
struct Total { std::uint8_t Data[256]; };
struct DamageParts { std::uint8_t Data[512]; };
struct DamageImage { std::uint8_t Data[256]; };
struct DamageComment { std::uint8_t Data[512]; };

}  // namespace dorvik_sql
