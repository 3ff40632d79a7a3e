# Sourced by the load scripts: a customers table of generated rows, in one transaction from a
# recursive CTE (a million rows take a few seconds).
#   make_customers DATABASE TABLE ROWS
# Row i has CustomerID i, FirstName 'First' || (i % 97), LastName 'Last' || (i % 89), an
# Email, City 'City ' || (i % 50), a Joined date, Newsletter i % 2, Amount (i % 100000) / 4
# and Notes.
make_customers() {
  local file=$1 name=$2 count=$3
  sqlite3 "$file" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
BEGIN;
CREATE TABLE $name (
  CustomerID INTEGER PRIMARY KEY,
  FirstName VARCHAR(40) NOT NULL,
  LastName VARCHAR(40) NOT NULL,
  Email VARCHAR(120),
  City VARCHAR(60),
  Joined DATE,
  Newsletter BOOLEAN NOT NULL DEFAULT 0,
  Amount CURRENCY,
  Notes MEMO
);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count)
INSERT INTO $name
SELECT i, 'First' || (i % 97), 'Last' || (i % 89), 'customer' || i || '@example.com',
       'City ' || (i % 50), date('2000-01-01', '+' || (i % 9000) || ' days'), i % 2,
       (i % 100000) / 4.0, 'Customer ' || i || ' came from the load generator.'
FROM n;
COMMIT;
SQL
}
