CREATE TABLE "你聪明吗" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项A" TEXT,
  "选项B" TEXT,
  "选项C" TEXT
);
