<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>로그아웃</title></head>
<body>
<h1>로그아웃</h1>
<p>로그아웃되었습니다. 다음에 또 만나요.</p>
</body>
</html>
