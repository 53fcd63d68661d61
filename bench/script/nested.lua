-- Three nested loops.
local count = 0
for i = 0, 159 do
  for j = 0, 159 do
    for k = 0, 159 do
      if (i + j + k) % 7 == 0 then
        count = count + 1
      end
    end
  end
end
print(count)
