-- The same choice on every turn of a loop, as an if chain.
local s = 0
for i = 0, 999999 do
  local m = i % 5
  if m == 0 then s = s + 1
  elseif m == 1 then s = s + 3
  elseif m == 2 then s = s - 2
  elseif m == 3 then s = s + i % 7
  else s = s + 5 end
end
print(s)
