[playlist]
NumberOfEntries=2
File2=b.mid
file1=a.mid
Title1=A
Length1=30
Version=2
