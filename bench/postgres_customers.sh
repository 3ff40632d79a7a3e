# Sourced by the PostgreSQL load scripts: psql pointed at the server of the connection string
# in $server, and the customers tables of load_list.sh generated there once (schema
# korvex_load), kept for the next run.
# The connection string's keys as psql's.
key() { tr ';' '\n' <<<"$server" | awk -F= -v k="$1" 'tolower($1) == k {print substr($0, length($1) + 2)}'; }
export PGHOST=$(key host) PGPORT=$(key port) PGDATABASE=$(key database) PGUSER=$(key "user id")
export PGPASSWORD=$(key password)

# One customers table of $2 rows named $1, as load_list.sh makes it on SQLite.
make_customers() {
  local table=$1 rows=$2
  psql -q -v ON_ERROR_STOP=1 <<SQL
SET client_min_messages = warning;
CREATE SCHEMA IF NOT EXISTS korvex_load;
CREATE TABLE korvex_load."$table" (
  "CustomerID" integer PRIMARY KEY,
  "FirstName" varchar(40) NOT NULL,
  "LastName" varchar(40) NOT NULL,
  "Email" varchar(120),
  "City" varchar(60),
  "Joined" date,
  "Newsletter" boolean NOT NULL DEFAULT FALSE,
  "Amount" money,
  "Notes" text
);
INSERT INTO korvex_load."$table"
SELECT i, 'First' || (i % 97), 'Last' || (i % 89), 'customer' || i || '@example.com',
       'City ' || (i % 50), date '2000-01-01' + (i % 9000), i % 2 = 1,
       ((i % 100000) / 4.0)::numeric::money, 'Customer ' || i || ' came from the load generator.'
FROM generate_series(1, $rows) AS i;
VACUUM ANALYZE korvex_load."$table";
SQL
}

# ensure_customers TABLE:ROWS...: each table made unless it is there already.
ensure_customers() {
  local spec table rows have
  for spec in "$@"; do
  table=${spec%%:*} rows=${spec##*:}
  have=$(psql -Atc "SELECT to_regclass('korvex_load.\"$table\"') IS NOT NULL")
  if [[ "$have" != t ]]; then
    echo "generating $table ($rows rows) in the schema korvex_load" >&2
    make_customers "$table" "$rows"
  fi
done
}
