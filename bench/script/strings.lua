-- Building a string piece by piece, then walking and searching it.
local s = ""
for i = 0, 19999 do
  s = s .. string.char(97 + i % 26)
end
local n = 0
local len = #s
for i = 1, len do
  n = n + string.byte(s:sub(i, i))
end
local u = s:sub(1, 2600):upper()
local _, count = u:gsub("ABC", "")
n = n + count + (u:find("XYZ", 1, true) or 0)
local replaced = s:gsub("abc", "-")
n = n + #replaced
for i = 0, 19999 do
  n = n + (s:sub(i + 1, i + 30):find("q", 1, true) or 0) + #tostring(i)
end
print(n)
