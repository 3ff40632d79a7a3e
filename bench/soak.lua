-- The request mix of bench/soak.sh for wrk, run with one connection per thread (-t N -c N) so
-- that each response answers the request its thread sent last. Each thread goes round: the
-- list's first, middle and last pages, the list page of one of its own rows, that row's edit
-- form (posting the row's form from the list, as its Edit button does), the save (posting the
-- edit form's own fields with Amount changed), the search form, a search and the report.
-- Rows are the thread's own, so the last save a thread saw acknowledged is the row's value.
--   wrk ... -s bench/soak.lua URL -- THREADS ROWS PAGE_SIZE OUT_FOLDER
-- Each thread writes OUT_FOLDER/saves-<n>: "sent ROW CENTS" before a save, "ok ROW CENTS" once
-- acknowledged, "refused ROW CENTS message" otherwise; and OUT_FOLDER/problems-<n>: answers
-- that were not what the step expects (a page cut short, a row form or edit form not found).

local table_name = "Customers"
local rows_per_thread = 250

local counter = 0
local threads = {}

function setup(thread)
  counter = counter + 1
  thread:set("id", counter)
  table.insert(threads, thread)
end

local steps = {"first", "middle", "last", "row_page", "edit", "save", "search_form", "search",
               "report"}
local thread_count, rows, page_size, out
local step, turn, row, cents, row_form, edit_form, cookie, saves, problems, sent_step

function init(args)
  thread_count = tonumber(args[1])
  rows = tonumber(args[2])
  page_size = tonumber(args[3])
  out = args[4]
  step, turn = 0, 0
  saves = io.open(out .. "/saves-" .. id, "w")
  problems = io.open(out .. "/problems-" .. id, "w")
  problem_count = 0
end

local function url_encode(text)
  return (text:gsub("[^%w%-_%.%*]", function(c)
    if c == " " then return "+" end
    return string.format("%%%02X", string.byte(c))
  end))
end

local entities = {amp = "&", lt = "<", gt = ">", quot = "\"", apos = "'"}
local function html_decode(text)
  return (text:gsub("&(#?)(x?)(%w+);", function(hash, hex, name)
    if hash == "#" then
      local code = tonumber(name, hex == "x" and 16 or 10)
      return code and code < 128 and string.char(code) or nil
    end
    return entities[name]
  end))
end

-- The value of one attribute of a tag's attribute text: quoted either way, or bare.
local function attribute(attrs, key)
  local lower = " " .. attrs:lower()
  for _, pattern in ipairs({"%s" .. key .. "%s*=%s*'()[^']*()'", "%s" .. key .. "%s*=%s*\"()[^\"]*()\"",
                            "%s" .. key .. "%s*=%s*()[^%s>'\"]+()"}) do
    local from, to = lower:match(pattern)
    if from then return html_decode((" " .. attrs):sub(from, to - 1)) end
  end
  return nil
end

local function ci(word)
  return (word:gsub("%a", function(c) return "[" .. c:lower() .. c:upper() .. "]" end))
end
local input_tag, select_block, option_tag, textarea_block =
  "<" .. ci("input") .. "(%s[^>]*)>",
  "<" .. ci("select") .. "(%s[^>]*)>(.-)</" .. ci("select") .. ">",
  "<" .. ci("option") .. "([^>]*)>",
  "<" .. ci("textarea") .. "(%s[^>]*)>(.-)</" .. ci("textarea") .. ">"

-- What a browser sends for a form without clicking a named button: the fields in the order of
-- the form, checkboxes and radios only when checked, a select's selected option or else its
-- first, a textarea's text without the newline that may follow its tag.
local function form_fields(form)
  local found = {}
  local function add(at, name, value)
    if name then table.insert(found, {at, name, value or ""}) end
  end
  for at, attrs in form:gmatch("()" .. input_tag) do
    local kind = (attribute(attrs, "type") or "text"):lower()
    local checked = (" " .. attrs:lower() .. " "):find("%schecked[%s=]")
    if kind == "checkbox" or kind == "radio" then
      if checked then add(at, attribute(attrs, "name"), attribute(attrs, "value") or "on") end
    elseif kind ~= "submit" and kind ~= "reset" and kind ~= "button" and kind ~= "image" then
      add(at, attribute(attrs, "name"), attribute(attrs, "value"))
    end
  end
  for at, attrs, options in form:gmatch("()" .. select_block) do
    local chosen
    for option in options:gmatch(option_tag) do
      chosen = chosen or attribute(option, "value")
      if (" " .. option:lower() .. " "):find("%sselected[%s=]") then
        chosen = attribute(option, "value")
        break
      end
    end
    add(at, attribute(attrs, "name"), chosen)
  end
  for at, attrs, text in form:gmatch("()" .. textarea_block) do
    add(at, attribute(attrs, "name"), html_decode(text:gsub("^\r?\n", "")))
  end
  table.sort(found, function(a, b) return a[1] < b[1] end)
  local fields = {}
  for _, f in ipairs(found) do table.insert(fields, {f[2], f[3]}) end
  return fields
end

local function form_body(fields)
  local parts = {}
  for _, f in ipairs(fields) do
    table.insert(parts, url_encode(f[1]) .. "=" .. url_encode(f[2]))
  end
  return table.concat(parts, "&")
end

local function problem(what, body)
  problem_count = problem_count + 1
  problems:write(sent_step, " row ", tostring(row), ": ", what, "\n", (body or ""):sub(1, 2000), "\n")
  problems:flush()
end

local function list(page)
  return "/table.ksp?RecordsetKorVex=" .. table_name .. (page and "&CPKorVex=" .. page or "")
end

local function post(path, body)
  return wrk.format("POST", path, {["Content-Type"] = "application/x-www-form-urlencoded",
                                   ["Cookie"] = cookie}, body)
end

function request()
  while true do
    step = step % #steps + 1
    local name = steps[step]
    sent_step = name
    local last_page = math.ceil(rows / page_size)
    if name == "first" then
      return wrk.format("GET", list(nil), {["Cookie"] = cookie})
    elseif name == "middle" then
      return wrk.format("GET", list(math.floor(last_page / 2)), {["Cookie"] = cookie})
    elseif name == "last" then
      return wrk.format("GET", list(last_page), {["Cookie"] = cookie})
    elseif name == "row_page" then
      -- Distinct rows for every thread: 7919 is prime to any table size of 2^a 5^b rows.
      local index = (id - 1) + thread_count * (turn % rows_per_thread)
      turn = turn + 1
      row = index * 7919 % rows + 1
      row_form, edit_form = nil, nil
      return wrk.format("GET", list(math.ceil(row / page_size)), {["Cookie"] = cookie})
    elseif name == "edit" and row_form then
      return post(row_form.action, form_body(row_form.fields))
    elseif name == "save" and edit_form then
      cents = (turn * 7907 + id * 1000003 + row) % 10000000
      local amount = string.format("%d.%02d", math.floor(cents / 100), cents % 100)
      local changed = false
      for _, f in ipairs(edit_form.fields) do
        if f[1] == "Amount" then f[2], changed = amount, true end
      end
      if not changed then
        problem("the edit form has no Amount field")
      else
        saves:write("sent ", row, " ", cents, "\n")
        saves:flush()
        return post(edit_form.action, form_body(edit_form.fields))
      end
    elseif name == "search_form" then
      return wrk.format("GET", "/search.ksp?RecordsetKorVex=" .. table_name, {["Cookie"] = cookie})
    elseif name == "search" then
      local city = "City " .. (turn % 50)
      return post("/search.ksp?PageKorVex=-1&RecordsetKorVex=" .. table_name,
                  "CustomerIDCRITERION=%3E%3D&CustomerID=" .. (row or 1) ..
                  "&CityCRITERION=%3D&City=" .. url_encode(city) .. "&ORDERBYKorVexCRITERION=" ..
                  "&ORDERBYKorVex=&TOPKorVex=TOP+25")
    elseif name == "report" then
      return wrk.format("GET", "/report.ksp?RecordsetKorVex=" .. table_name, {["Cookie"] = cookie})
    end
  end
end

function response(status, headers, body)
  local set_cookie = headers["Set-Cookie"] or headers["set-cookie"]
  if set_cookie then cookie = set_cookie:match("^[^;]*") end
  if status ~= 200 then return end  -- wrk counts it
  if not body:find("</html>%s*$") then return problem("the page is cut short", body) end
  if sent_step == "row_page" then
    for action, form in body:gmatch("<form name=pino method=post action='([^']*)'>(.-)</form>") do
      local fields = form_fields(form)
      for _, f in ipairs(fields) do
        if f[1] == "CustomerID" and tonumber(f[2]) == row then
          row_form = {action = html_decode(action), fields = fields}
        end
      end
    end
    if not row_form then problem("the row's form is not on its list page", body) end
  elseif sent_step == "edit" then
    local action, form = body:match("<FORM NAME=PW ACTION='([^']*PageKorVex=2[^']*)'(.-)</FORM>")
    if not form then return problem("no edit form", body) end
    edit_form = {action = html_decode(action), fields = form_fields(form)}
  elseif sent_step == "save" then
    local told = body:match('<p class="message ok" role="status">([^<]*)</p>')
    if told == table_name .. " " .. row .. " updated" or told == table_name .. ": nothing to change" then
      saves:write("ok ", row, " ", cents, "\n")
    else
      local said = body:match('<p class="message[^>]*>([^<]*)</p>') or "no message"
      saves:write("refused ", row, " ", cents, " ", said, "\n")
      problem("the save was not acknowledged: " .. said, body)
    end
    saves:flush()
  end
end

function done(summary, latency, requests)
  local total = 0
  for _, thread in ipairs(threads) do total = total + (thread:get("problem_count") or 0) end
  io.write(string.format("Unexpected answers: %d\n", total))
end
