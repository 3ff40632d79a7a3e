// Builds the demo shop database with plain SQL through SQLite. The rows are generated from
// fixed lists so every first run gives the same database.
#include "demo_database.h"

#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex::examples {

namespace {

const char* kSchema = R"SQL(
CREATE TABLE Categories (
  CategoryID INTEGER PRIMARY KEY,
  Name VARCHAR(50) NOT NULL,
  Description TEXT
);
CREATE TABLE Products (
  ProductID INTEGER PRIMARY KEY,
  CategoryID INTEGER NOT NULL REFERENCES Categories(CategoryID),
  Name VARCHAR(80) NOT NULL,
  Price CURRENCY NOT NULL DEFAULT 0,
  Added DATE,
  InStock BOOLEAN NOT NULL DEFAULT TRUE,
  Description MEMO,
  Image VARCHAR(255),
  LongDescription MEMO
);
CREATE TABLE Customers (
  CustomerID INTEGER PRIMARY KEY,
  FirstName VARCHAR(40) NOT NULL,
  LastName VARCHAR(40) NOT NULL,
  Email VARCHAR(120),
  City VARCHAR(60),
  Joined DATE,
  Newsletter BOOLEAN NOT NULL DEFAULT FALSE
);
CREATE TABLE Orders (
  OrderID INTEGER PRIMARY KEY,
  CustomerID INTEGER NOT NULL REFERENCES Customers(CustomerID),
  ProductID INTEGER NOT NULL REFERENCES Products(ProductID),
  Quantity INTEGER NOT NULL DEFAULT 1,
  OrderDate DATETIME NOT NULL,
  Shipped BOOLEAN NOT NULL DEFAULT FALSE,
  Notes TEXT
);
CREATE TABLE Tags (
  TagID INTEGER PRIMARY KEY,
  Name VARCHAR(30) NOT NULL UNIQUE
);
CREATE TABLE ProductTags (
  ProductID INTEGER NOT NULL REFERENCES Products(ProductID),
  TagID INTEGER NOT NULL REFERENCES Tags(TagID),
  PRIMARY KEY (ProductID, TagID)
);
)SQL";

struct Category {
  const char* name;
  const char* description;
};
const Category kCategories[] = {
    {"Kitchen", "Mugs, pots and everything for the table."},
    {"Garden", "Tools and seeds for the outdoors."},
    {"Books", "Printed books, new and second-hand."},
    {"Clothing", "Shirts, hats and scarves."},
    {"Toys", "Games for every age."},
};

struct Product {
  int category;
  const char* name;
  double price;
  const char* added;
  bool in_stock;
  const char* description;
  const char* image;
  const char* long_description = nullptr;  // HTML, edited with the HTML editor
};
const Product kProducts[] = {
    {1, "Red mug", 7.5, "2024-01-12", true,
     "A big red mug.\r\nHolds 400 ml; safe in the dishwasher.", "red-mug.png",
     "<p>A <b>big</b> red mug for tea &amp; coffee.</p><ul><li>Holds 400 ml</li>"
     "<li>Safe in the dishwasher</li></ul>"},
    {1, "Teapot", 24.9, "2024-02-03", true, "Glazed stoneware teapot for six cups.", "teapot.png",
     "<p>Glazed stoneware, <i>six cups</i>. Lid with a locking lug.</p>"},
    {1, "Bread knife", 18, "2023-11-20", false, "Serrated steel blade, beech handle.", nullptr},
    {1, "Salad bowl", 15.25, "2024-03-15", true, "Olive wood, 25 cm across.", nullptr},
    {2, "Spade", 32, "2023-09-01", true, "Ash handle, forged head.", "spade.bmp"},
    {2, "Tomato seeds", 2.95, "2024-02-28", true, "Cherry tomatoes, 50 seeds.", nullptr},
    {2, "Watering can", 12.4, "2024-04-09", false, "Ten litres, galvanised.", nullptr},
    {2, "Hedge shears", 27.5, "2023-10-17", true, "Wavy blades for clean cuts.", nullptr},
    {3, "The Garden Year", 19.99, "2023-12-01", true, "A month-by-month guide to a small garden.",
     nullptr},
    {3, "Cooking with Bread", 14.5, "2024-01-30", true, "Recipes for stale bread & more.", nullptr},
    {3, "Maps of Old Towns", 39, "2022-06-12", false, "Hand-drawn maps, 120 pages.", nullptr},
    {4, "Blue shirt", 29.9, "2024-03-02", true, "Cotton, sizes S to XL.", "blue-shirt.png"},
    {4, "Wool scarf", 22, "2023-11-05", true, "Merino wool, 180 cm.", nullptr},
    {4, "Sun hat", 16.75, "2024-05-20", true, "Straw, wide brim.", nullptr},
    {5, "Wooden train", 34.5, "2023-12-10", true, "Engine and three carriages.", nullptr},
    {5, "Puzzle 1000", 13.99, "2024-01-08", true, "A thousand pieces: \"Harbour at dusk\".",
     nullptr},
    {5, "Kite", 21, "2024-04-22", false, "Diamond kite with 30 m of line.", nullptr},
};

const char* kFirstNames[] = {"Anna", "Ben",   "Carla", "David", "Elena", "Farid", "Greta",
                             "Hugo", "Ines",  "Jonas", "Kira",  "Luca",  "Mara",  "Nils",
                             "Olga", "Pavel", "Rosa",  "Sami",  "Tara",  "Ugo"};
const char* kLastNames[] = {"Ahlberg", "Brandt", "Costa",   "Dubois", "Eriksen", "Fischer",
                            "Garcia",  "Horvat", "Ivanova", "Jensen", "O'Neill", "Lind"};
const char* kCities[] = {"Lisbon", "Oslo", "Lyon", "Graz", "Turin", "Gdansk", "Porto", "Bern"};
const char* kTags[] = {"gift", "eco", "bestseller", "new", "handmade", "sale"};

void Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    throw std::runtime_error("demo database: " + text);
  }
}

std::string Quote(const char* text) {
  if (!text) return "NULL";
  std::string out = "'";
  for (const char* p = text; *p; ++p) {
    if (*p == '\'') out += '\'';
    out += *p;
  }
  return out + "'";
}

std::string Number(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", d);
  return buf;
}

// A small deterministic generator, so the demo is the same on every machine.
struct Sequence {
  unsigned state = 20240101;
  unsigned Next(unsigned bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % bound;
  }
};

// Booleans as TRUE and FALSE, which SQLite stores as 1 and 0 and other databases take too.
const char* Boolean(bool b) {
  return b ? "TRUE" : "FALSE";
}

void FillRows(std::string& sql) {
  auto add = [&sql](const std::string& statement) {
    sql += statement;
    sql += ";\n";
  };
  int id = 1;
  for (const Category& c : kCategories)
    add("INSERT INTO Categories VALUES (" + std::to_string(id++) + ", " + Quote(c.name) + ", " +
        Quote(c.description) + ")");
  id = 1;
  for (const Product& p : kProducts)
    add("INSERT INTO Products VALUES (" + std::to_string(id++) + ", " + std::to_string(p.category) +
        ", " + Quote(p.name) + ", " + Number(p.price) + ", " + Quote(p.added) + ", " +
        Boolean(p.in_stock) + ", " + Quote(p.description) + ", " + Quote(p.image) + ", " +
        Quote(p.long_description) + ")");
  Sequence seq;
  const int customers = 40;
  for (int i = 1; i <= customers; ++i) {
    const char* first = kFirstNames[(i - 1) % 20];
    const char* last = kLastNames[(i * 7) % 12];
    std::string email = std::string(first) + "." + std::to_string(i) + "@example.org";
    for (char& ch : email) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    char joined[16];
    std::snprintf(joined, sizeof joined, "20%02u-%02u-%02u", 20 + seq.Next(5), 1 + seq.Next(12),
                  1 + seq.Next(28));
    add("INSERT INTO Customers VALUES (" + std::to_string(i) + ", " + Quote(first) + ", " +
        Quote(last) + ", " + Quote(email.c_str()) + ", " + Quote(kCities[seq.Next(8)]) + ", " +
        Quote(joined) + ", " + Boolean(seq.Next(3) == 0) + ")");
  }
  const int products = static_cast<int>(sizeof kProducts / sizeof kProducts[0]);
  for (int i = 1; i <= 60; ++i) {
    char when[32];
    std::snprintf(when, sizeof when, "2024-%02u-%02u %02u:%02u:00", 1 + seq.Next(12),
                  1 + seq.Next(28), 8 + seq.Next(12), seq.Next(60));
    add("INSERT INTO Orders VALUES (" + std::to_string(i) + ", " +
        std::to_string(1 + seq.Next(customers)) + ", " + std::to_string(1 + seq.Next(products)) +
        ", " + std::to_string(1 + seq.Next(4)) + ", " + Quote(when) + ", " +
        Boolean(seq.Next(2) != 0) + ", " +
        (i % 7 == 0 ? Quote("Gift wrap, please.") : std::string("NULL")) + ")");
  }
  id = 1;
  for (const char* t : kTags)
    add("INSERT INTO Tags VALUES (" + std::to_string(id++) + ", " + Quote(t) + ")");
  for (int p = 1; p <= products; ++p)
    for (int t = 1; t <= 6; ++t)
      if ((p * 3 + t * 5) % 7 < 2)
        add("INSERT INTO ProductTags VALUES (" + std::to_string(p) + ", " + std::to_string(t) +
            ")");
}

}  // namespace

std::string DemoDatabaseSql() {
  std::string sql = kSchema;
  FillRows(sql);
  return sql;
}

namespace {

void BuildDatabase(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    std::string text = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw std::runtime_error("demo database: cannot create " + file.string() + ": " + text);
  }
  try {
    Exec(db, "BEGIN");
    Exec(db, DemoDatabaseSql());
    Exec(db, "COMMIT");
    // Write-ahead logging lets the server's page threads read while one of them writes.
    Exec(db, "PRAGMA journal_mode=WAL");
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
}

// ---- Sample images --------------------------------------------------------------------------

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBig32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void PutLittle(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PngChunk(std::string& png, const char* type, const std::string& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  PutBig32(png, Crc32(body));
}

struct Rgb {
  unsigned char r, g, b;
};

// A colour gradient as a PNG, compressed with stored deflate blocks (no zlib needed).
std::string MakePng(int width, int height, Rgb from, Rgb to) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter: none
    for (int x = 0; x < width; ++x) {
      double t = (x + y) / static_cast<double>(width + height - 2);
      // Through unsigned char: a channel above 127 does not fit a char as a floating value.
      auto channel = [t](unsigned char a, unsigned char b) {
        return static_cast<char>(static_cast<unsigned char>(a + (b - a) * t));
      };
      raw += channel(from.r, to.r);
      raw += channel(from.g, to.g);
      raw += channel(from.b, to.b);
    }
  }
  std::string z = "\x78\x01";
  for (size_t pos = 0; pos < raw.size(); pos += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    z += static_cast<char>(pos + n == raw.size() ? 1 : 0);
    PutLittle(z, static_cast<uint32_t>(n), 2);
    PutLittle(z, static_cast<uint32_t>(~n & 0xFFFF), 2);
    z += raw.substr(pos, n);
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  PngChunk(png, "IHDR", header);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", "");
  return png;
}

std::string MakeBmp(int width, int height, Rgb colour) {
  int row = (width * 3 + 3) / 4 * 4;
  std::string bmp = "BM";
  PutLittle(bmp, static_cast<uint32_t>(54 + row * height), 4);
  PutLittle(bmp, 0, 4);
  PutLittle(bmp, 54, 4);
  PutLittle(bmp, 40, 4);
  PutLittle(bmp, static_cast<uint32_t>(width), 4);
  PutLittle(bmp, static_cast<uint32_t>(height), 4);
  PutLittle(bmp, 1, 2);
  PutLittle(bmp, 24, 2);
  PutLittle(bmp, 0, 4);
  PutLittle(bmp, static_cast<uint32_t>(row * height), 4);
  PutLittle(bmp, 2835, 4);
  PutLittle(bmp, 2835, 4);
  PutLittle(bmp, 0, 4);
  PutLittle(bmp, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool stripe = (x / 8 + y / 8) % 2 == 0;
      bmp += static_cast<char>(stripe ? colour.b : 255);
      bmp += static_cast<char>(stripe ? colour.g : 255);
      bmp += static_cast<char>(stripe ? colour.r : 255);
    }
    bmp.append(static_cast<size_t>(row - width * 3), '\0');
  }
  return bmp;
}

void WriteIfMissing(const std::filesystem::path& file, const std::string& bytes) {
  if (std::filesystem::exists(file)) return;
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) throw std::runtime_error("demo database: cannot write " + file.string());
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

void WriteSampleImages(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  WriteIfMissing(folder / "red-mug.png", MakePng(96, 64, {200, 30, 30}, {255, 160, 140}));
  WriteIfMissing(folder / "teapot.png", MakePng(80, 80, {40, 90, 60}, {190, 230, 200}));
  WriteIfMissing(folder / "blue-shirt.png", MakePng(64, 96, {20, 40, 150}, {150, 190, 255}));
  WriteIfMissing(folder / "spade.bmp", MakeBmp(48, 32, {120, 80, 40}));
}

std::filesystem::path EnsureDemoDatabase(const std::filesystem::path& folder) {
  std::filesystem::path file = folder / kDemoDatabaseName;
  WriteSampleImages(folder / "files");
  if (std::filesystem::exists(file)) return file;
  std::filesystem::path partial = file;
  partial += ".building";
  std::filesystem::remove(partial);
  BuildDatabase(partial);
  std::filesystem::rename(partial, file);
  return file;
}

}  // namespace korvex::examples
