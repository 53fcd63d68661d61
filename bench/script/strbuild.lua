-- Short strings built from pieces and numbers, as a game writes its captions, scores and
-- save lines every step: concatenation in a loop, the row started anew every 50 pieces.
local names = { [0] = "sword", "shield", "potion", "key", "map" }
local total = 0
local row = ""
local line = ""
for i = 0, 1499999 do
  line = "item " .. tostring(i) .. ": " .. names[i % 5] .. " x" .. tostring(i % 9 + 1)
  row = row .. line .. ";"
  if i % 50 == 49 then
    total = total + #row
    row = ""
  end
end
total = total + #row + #line
print(line)
print(total)
