-- A list refilled and walked, and a map looked up and updated by string keys, every turn:
-- the data structures a game keeps its inventory, queues and named counters in. Tables
-- stand for both, a fresh one when the list is cleared.
local keys = {}
local map = {}
local map_size = 0
for i = 0, 999 do
  keys[i] = "key" .. tostring(i)
  map[keys[i]] = i
  map_size = map_size + 1
end
local sum = 0
for pass = 0, 9999 do
  local list = {}
  for i = 0, 999 do
    list[#list + 1] = i * 7 + pass
  end
  local n = #list
  for i = 1, n do
    local key = keys[list[i] % 1000]
    if map[key] ~= nil then
      sum = sum + map[key]
      map[key] = map[key] + 1
    end
  end
end
print(map_size)
print(sum)
